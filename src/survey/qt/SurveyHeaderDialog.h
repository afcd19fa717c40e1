#pragma once
// "Survey...": one field per field of the survey header's table, named by its
// code and caption (code lists as choices of code and meaning, numbers with
// their unit), and the start chainage. OK checks every value by the core's
// rules; a value refused is named in a message and the dialog stays open.

#include <QDialog>

#include <map>
#include <string>
#include <string_view>

#include "survey/SurveyHeader.h"

class QComboBox;
class QLineEdit;

namespace sondrel {

class OperatorPort;

class SurveyHeaderDialog : public QDialog {
    Q_OBJECT

  public:
    // `subject` names whose header it is (a recording, or the next one).
    SurveyHeaderDialog(const SurveyHeader& header, const std::string& subject, OperatorPort& op,
                       QWidget* parent = nullptr);

    // What OK took; the header given until then.
    const SurveyHeader& header() const { return header_; }
    // The field of a code (a QLineEdit, or a QComboBox for a code list);
    // "Start Chainage" for the start chainage.
    QWidget* field(std::string_view code) const;

    void accept() override;

  private:
    SurveyHeader header_;
    OperatorPort& op_;
    std::map<std::string_view, QLineEdit*> edits_;
    std::map<std::string_view, QComboBox*> choices_;
    QLineEdit* startChainage_ = nullptr;
};

}  // namespace sondrel
