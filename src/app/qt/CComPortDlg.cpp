#include "app/qt/CComPortDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "acquisition/Orientation.h"
#include "common/OperatorPort.h"

namespace sondrel {

namespace {

constexpr std::array<const char*, 4> kSentenceCaptions = {
    "Inuktun",
    "Cable Counter   ($ x.x,meter<CR><LF>)",
    "Cable Counter   (,#CABLE, xxx.x, )",
    "Reach Systems  ( R+4bytes float )",
};

}  // namespace

CComPortDlg::CComPortDlg(ComPortChoices choices, int sonarType, std::vector<ComPortEntry> ports,
                         OperatorPort& op, QWidget* parent)
    : QDialog(parent),
      choices_(std::move(choices)),
      sonarType_(sonarType),
      ports_(std::move(ports)),
      op_(op),
      headPorts_(new QComboBox(this)),
      orientationPorts_(new QComboBox(this)),
      bauds_(new QComboBox(this)),
      rtsOn_(new QCheckBox(QStringLiteral("RTS Enable"), this)),
      rtsOff_(new QCheckBox(QStringLiteral("Auto Enable"), this)),
      enable_(new QCheckBox(QStringLiteral("Enable"), this)) {
    setObjectName(QStringLiteral("comPortSetup"));
    setWindowTitle(QStringLiteral("COM Port Setup"));
    headPorts_->setObjectName(QStringLiteral("headPort"));
    orientationPorts_->setObjectName(QStringLiteral("orientationPort"));
    bauds_->setObjectName(QStringLiteral("orientationBaud"));

    auto* head = new QGroupBox(QStringLiteral("Sonar Head (115200, N, 8, 1)"), this);
    auto* headLayout = new QGridLayout(head);
    headLayout->addWidget(headPorts_, 0, 0, 1, 2);
    headLayout->addWidget(rtsOn_, 1, 0);
    headLayout->addWidget(rtsOff_, 1, 1);
    // The pair shows one value: RTS keying on, or off.
    auto* rts = new QButtonGroup(this);
    rts->addButton(rtsOn_, 1);
    rts->addButton(rtsOff_, 0);
    rts->setExclusive(true);
    (choices_.rtsEnable ? rtsOn_ : rtsOff_)->setChecked(true);
    connect(rts, &QButtonGroup::idClicked, this, [this](int id) { choices_.rtsEnable = id; });

    auto* orientation = new QGroupBox(QStringLiteral("Orientation Input (38400, N, 8, 1)"), this);
    auto* orientationLayout = new QGridLayout(orientation);
    orientationLayout->addWidget(enable_, 0, 0);
    orientationLayout->addWidget(orientationPorts_, 1, 0);
    orientationLayout->addWidget(bauds_, 1, 1);
    auto* sentenceBox = new QGroupBox(QStringLiteral("Sentence Type"), orientation);
    auto* sentenceLayout = new QVBoxLayout(sentenceBox);
    auto* sentenceGroup = new QButtonGroup(this);
    const int current = choices_.sentenceType >= 1 && choices_.sentenceType <= 3
                            ? choices_.sentenceType
                            : int(kSentenceInuktun);
    for (int type = 0; type < 4; ++type) {
        auto* button = new QRadioButton(QString::fromLatin1(kSentenceCaptions[std::size_t(type)]),
                                        sentenceBox);
        sentences_[std::size_t(type)] = button;
        sentenceGroup->addButton(button, type);
        sentenceLayout->addWidget(button);
        button->setChecked(type == current);
    }
    orientationLayout->addWidget(sentenceBox, 2, 0, 1, 2);
    connect(sentenceGroup, &QButtonGroup::idClicked, this, [this](int type) {
        choices_.setSentenceType(type);
        const QSignalBlocker quiet(bauds_);
        bauds_->setCurrentIndex(choices_.baudIndex);
        applyEnablingRule();
    });

    // A Reach instrument's rate is fixed from the start, not only once chosen.
    choices_.setSentenceType(choices_.sentenceType);
    enable_->setChecked(choices_.orientationEnable != 0);
    connect(enable_, &QCheckBox::toggled, this, [this](bool on) {
        choices_.orientationEnable = on ? 1 : 0;
        applyEnablingRule();
    });
    for (const int baud : kOrientationBauds) bauds_->addItem(QString::number(baud));
    bauds_->setCurrentIndex(choices_.baudIndex);
    connect(bauds_, &QComboBox::currentIndexChanged, this,
            [this](int index) { choices_.baudIndex = index; });

    fillPortList(headPorts_, choices_.headPort);
    fillPortList(orientationPorts_, choices_.orientationPort);
    connect(headPorts_, &QComboBox::currentIndexChanged, this, &CComPortDlg::headPortChosen);
    connect(orientationPorts_, &QComboBox::currentIndexChanged, this,
            &CComPortDlg::orientationPortChosen);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(head);
    layout->addWidget(orientation);
    layout->addWidget(buttons);
    applyEnablingRule();
}

void CComPortDlg::fillPortList(QComboBox* list, int selected) {
    const QSignalBlocker quiet(list);
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        list->addItem(QString::fromStdString(ports_[i].label()), int(i));
        // A marked port says why in its tip as well.
        const std::string problem =
            ports_[i].held()
                ? std::string()
                : portProblemMessage(ports_[i].number, ports_[i].device, ports_[i].state);
        if (!problem.empty())
            list->setItemData(list->count() - 1, QString::fromStdString(problem), Qt::ToolTipRole);
    }
    selectPort(list, selected);
}

bool CComPortDlg::selectPort(QComboBox* list, int number) {
    for (int i = 0; i < list->count(); ++i) {
        if (parseComPortName(list->itemText(i).section(QLatin1Char(' '), 0, 0).toStdString()) ==
            number) {
            list->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

void CComPortDlg::headPortChosen(int index) {
    if (index < 0) return;
    const ComPortEntry& entry = ports_[std::size_t(headPorts_->itemData(index).toInt())];
    const auto number =
        parseComPortName(headPorts_->itemText(index).section(QLatin1Char(' '), 0, 0).toStdString());
    if (!number || !isValidComPort(*number)) {
        op_.showMessage(std::string(kComPortOutOfRange));
        return;
    }
    choices_.headPort = *number;
    choices_.newHeadDevice = entry.newMapping ? entry.device : std::string();
}

void CComPortDlg::orientationPortChosen(int index) {
    if (index < 0) return;
    const ComPortEntry& entry = ports_[std::size_t(orientationPorts_->itemData(index).toInt())];
    const auto number = parseComPortName(
        orientationPorts_->itemText(index).section(QLatin1Char(' '), 0, 0).toStdString());
    if (!number) return;
    choices_.orientationPort = *number;
    choices_.newOrientationDevice = entry.newMapping ? entry.device : std::string();
}

void CComPortDlg::applyEnablingRule() {
    const ComPortControlStates states = comPortControlStates(choices_, sonarType_);
    headPorts_->setEnabled(states.headControls);
    rtsOn_->setEnabled(states.headControls);
    rtsOff_->setEnabled(states.headControls);
    orientationPorts_->setEnabled(states.orientationControls);
    for (QRadioButton* button : sentences_) button->setEnabled(states.orientationControls);
    bauds_->setEnabled(states.baudList);
}

}  // namespace sondrel
