#include "ui/base/UpperCase.h"

#include <QLineEdit>
#include <QValidator>

namespace zox {

namespace {

class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

}  // namespace

void ForceUpperCase(QLineEdit* edit) { edit->setValidator(new UpperCaseValidator(edit)); }

}  // namespace zox
