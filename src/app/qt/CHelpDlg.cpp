#include "app/qt/CHelpDlg.h"

#include <QHeaderView>
#include <QResizeEvent>
#include <QTreeWidget>

#include "app/HotKeysHelp.h"

namespace sondrel {

namespace {

constexpr int kCommandColumnWidth = 130;
constexpr int kKeyColumnWidth = 70;

}  // namespace

CHelpDlg::CHelpDlg(QWidget* parent) : QDialog(parent), list_(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("hotKeysHelp"));
    setWindowTitle(QStringLiteral("Hot Keys..."));
    setSizeGripEnabled(true);
    resize(560, 480);
    list_->setObjectName(QStringLiteral("hotKeyList"));
    list_->setRootIsDecorated(false);
    list_->setSortingEnabled(false);
    list_->header()->setSectionsClickable(false);
    list_->header()->setStretchLastSection(false);
    list_->setHeaderLabels(
        {QStringLiteral("Command"), QStringLiteral("Hot Key"), QStringLiteral("Discription")});
    list_->setColumnWidth(0, kCommandColumnWidth);
    list_->setColumnWidth(1, kKeyColumnWidth);
    list_->setColumnWidth(2, width() - 205);
    for (const HotKeyHelpRow& row : hotKeyHelpRows()) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, QString::fromStdString(row.command));
        item->setText(1, QString::fromStdString(row.key));
        item->setText(2, QString::fromStdString(row.description));
    }
    list_->setGeometry(rect());
}

void CHelpDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const QSize size = event->size();
    // A window squeezed to nothing keeps its list as it was.
    if (size.width() <= 0 || size.height() <= 0) return;
    list_->setGeometry(rect());
    list_->setColumnWidth(2, size.width() - list_->columnWidth(0) - list_->columnWidth(1) - 5);
}

}  // namespace sondrel
