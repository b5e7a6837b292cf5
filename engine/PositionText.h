#pragma once
// The beat and step texts of the status panel: a position with two decimals (scientific
// notation beyond five integer digits), written with the system's decimal separator.
#include "engine/ShortText.h"

ShortText FormatPosition(double value);
// The decimal separator of the system: on Windows the user's locale's, elsewhere that of the C
// library's locale the host runs with; "." where none can be found.
ShortText DecimalSeparator();
