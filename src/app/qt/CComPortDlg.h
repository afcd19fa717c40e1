#pragma once
// "COM Port Setup": the head's port and RTS keying, the orientation input's
// port, rate, sentence type and enable switch. The lists show each port's
// device and state as the core lists them; the dialog only edits the choices,
// and its caller applies them on OK.

#include <QDialog>

#include <vector>

#include "acquisition/ComPortSetup.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QRadioButton;

namespace sondrel {

class OperatorPort;

class CComPortDlg : public QDialog {
    Q_OBJECT

  public:
    CComPortDlg(ComPortChoices choices, int sonarType, std::vector<ComPortEntry> ports,
                OperatorPort& op, QWidget* parent);

    const ComPortChoices& choices() const { return choices_; }

    QComboBox* headPortList() const { return headPorts_; }
    QComboBox* orientationPortList() const { return orientationPorts_; }
    QComboBox* baudList() const { return bauds_; }
    QCheckBox* rtsEnableBox() const { return rtsOn_; }
    QCheckBox* autoEnableBox() const { return rtsOff_; }
    QCheckBox* orientationEnableBox() const { return enable_; }
    QRadioButton* sentenceButton(int type) const { return sentences_[std::size_t(type)]; }
    // Selects the entry of a port number in a list; false when it is not listed.
    static bool selectPort(QComboBox* list, int number);

  private:
    void fillPortList(QComboBox* list, int selected);
    void headPortChosen(int index);
    void orientationPortChosen(int index);
    void applyEnablingRule();

    ComPortChoices choices_;
    int sonarType_;
    std::vector<ComPortEntry> ports_;
    OperatorPort& op_;
    QComboBox* headPorts_;
    QComboBox* orientationPorts_;
    QComboBox* bauds_;
    QCheckBox* rtsOn_;
    QCheckBox* rtsOff_;
    QCheckBox* enable_;
    std::array<QRadioButton*, 4> sentences_{};
};

}  // namespace sondrel
