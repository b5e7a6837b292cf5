#pragma once
// The base of every control bound to an engine parameter: its tag, name, range and default, and
// the page (of the four pattern pages) whose value it shows. Value boxes, step lines and bars
// and check boxes derive from it; the form reaches each through the operations below.
// Editor thread only.
#include <string>
#include <string_view>

#include "editor/VeskCustomControl.h"

class TVeskControl : public TVeskCustomControl {
 public:
  static constexpr int kMaxPages = 4;

  explicit TVeskControl(TControl* parent) : TVeskCustomControl(parent) {}

  // ---- Binding. Tag 0 binds the control to no parameter.
  bool PageAddressed() const { return pageAddressed; }
  void SetPageAddressed(bool on) { pageAddressed = on; }
  int ParamTag() const { return paramTag; }
  virtual void SetParamTag(int tag) { paramTag = tag; }
  const std::string& ParamNam() const { return paramNam; }
  virtual void SetParamNam(std::string_view name);

  // ---- Range and default. Setting Min or Max outside loading runs RangeChanged.
  int Min() const { return min; }
  int Max() const { return max; }
  virtual void SetMin(int value);
  virtual void SetMax(int value);
  int ValueDefault() const { return valueDefault; }
  virtual void SetValueDefault(int value) { valueDefault = value; }

  // ---- Pages: the page shown (0..3) and how many pages the control keeps a value for.
  int Page() const { return page; }
  // Stores the page (brought into 0..3) and repaints when it changed, unless loading.
  virtual void SetPage(int p);
  int NumPages() const { return numPages; }
  virtual void SetNumPages(int n);

  // ---- The value, as controls bound to one parameter implement it.
  // The value shown for the current page.
  virtual int GetValue() const { return 0; }
  // Sets the current page's value and notifies.
  virtual void SetValue(int /*value*/) {}
  virtual std::string GetParamNam() const { return paramNam; }
  virtual int GetParamTag() const { return paramTag; }
  virtual void RangeChanged() {}
  // Sets one page's value without notifying: how the form shows engine values.
  virtual void SetPageValue(int /*page*/, int /*value*/) {}
  virtual std::string GetPageParamNam(int /*page*/) const { return paramNam; }
  // Every page back to ValueDefault, notifying.
  virtual void ResetToDefault() {}

 private:
  bool pageAddressed = false;
  int paramTag = 0;
  std::string paramNam;
  int min = 0;
  int max = 1;
  int valueDefault = 0;
  int page = 0;
  int numPages = 1;
};
