#pragma once
// Call signs and year numbers are kept in capitals, whatever the operator types.

class QLineEdit;

namespace zox {

// Turns letters into capitals as they are typed or pasted into `edit`.
void ForceUpperCase(QLineEdit* edit);

}  // namespace zox
