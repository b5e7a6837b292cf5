#include "editor/VeskControl.h"

#include <algorithm>

#include "editor/PaintHelpers.h"

void TVeskControl::SetParamNam(std::string_view name) { paramNam = ShortString(name); }

void TVeskControl::SetMin(int value) {
  min = value;
  if (!Loading()) RangeChanged();
}

void TVeskControl::SetMax(int value) {
  max = value;
  if (!Loading()) RangeChanged();
}

void TVeskControl::SetPage(int p) {
  p = std::clamp(p, 0, kMaxPages - 1);
  if (p == page) return;
  page = p;
  if (!Loading()) Invalidate();
}

void TVeskControl::SetNumPages(int n) { numPages = std::clamp(n, 1, kMaxPages); }
