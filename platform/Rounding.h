#pragma once
// Roundings shared by the canvas and the controls. Rounding is to nearest with halves to even,
// whatever floating-point mode the host left on the thread, as every rounding of the editor's
// geometry and colours is.

int RoundHalfEven(double x);
// Toward zero, limited to 32 bits; 0 for NaN.
int TruncToInt(double x);
