#pragma once
// The hot-keys help: a resizable list of the program's keys and mouse actions,
// made from the command table, so it says what the keys really do.

#include <QDialog>

class QTreeWidget;

namespace sondrel {

class CHelpDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CHelpDlg(QWidget* parent);

    QTreeWidget* list() const { return list_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QTreeWidget* list_;
};

}  // namespace sondrel
