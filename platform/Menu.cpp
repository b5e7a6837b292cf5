#include "platform/Menu.h"

#include <algorithm>

#include "platform/MenuOverlay.h"
#include "platform/Window.h"

// ---- TMenuItem.

TMenuItem::TMenuItem(std::string caption, THandler onClick, int tag)
    : Caption(std::move(caption)), Tag(tag), OnClick(std::move(onClick)) {}

void TMenuItem::SetChecked(bool on) {
  checked = on;
  if (!on || RadioGroup == 0 || parent == nullptr) return;
  for (const auto& sibling : parent->items)
    if (sibling.get() != this && sibling->RadioGroup == RadioGroup) sibling->checked = false;
}

TMenuItem& TMenuItem::Add(std::string caption, THandler onClick, int tag) {
  StructureChanged();
  items.push_back(std::make_unique<TMenuItem>(std::move(caption), std::move(onClick), tag));
  items.back()->parent = this;
  return *items.back();
}

void TMenuItem::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  StructureChanged();
  items.erase(items.begin() + index);
}

void TMenuItem::Clear() {
  StructureChanged();
  items.clear();
}

int TMenuItem::IndexOf(const TMenuItem& item) const {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].get() == &item) return static_cast<int>(i);
  return -1;
}

TMenuItem* TMenuItem::Find(std::string_view captionPath) {
  const size_t slash = captionPath.find('/');
  const std::string_view first = captionPath.substr(0, slash);
  for (const auto& item : items) {
    if (item->Caption != first) continue;
    if (slash == std::string_view::npos) return item.get();
    if (TMenuItem* found = item->Find(captionPath.substr(slash + 1))) return found;
  }
  return nullptr;
}

void TMenuItem::Click() {
  // A copy: the handler may clear the menu this item belongs to.
  const THandler handler = OnClick;
  if (handler) handler(*this);
}

void TMenuItem::StructureChanged() {
  const TMenuItem* root = this;
  while (root->parent != nullptr) root = root->parent;
  if (root->menu != nullptr) root->menu->ItemsChanged();
}

// ---- TPopupMenu.

TPopupMenu::TPopupMenu() { Items.menu = this; }

TPopupMenu::~TPopupMenu() {
  Items.menu = nullptr;
  if (overlay != nullptr) {
    overlay->Detach();
    delete overlay;
  }
}

bool TPopupMenu::Popup(TControl& anchor, TPoint at) {
  Close();
  if (anchor.Window() == nullptr || Items.Count() == 0) return false;
  TControl* root = &anchor;
  while (root->Parent() != nullptr) root = root->Parent();
  if (overlay != nullptr && overlay->Parent() != root) {
    overlay->Detach();
    delete overlay;
    overlay = nullptr;
  }
  if (overlay == nullptr) overlay = new TMenuOverlay(root, this);
  overlay->Open(anchor.ClientToWindow(at));
  return true;
}

bool TPopupMenu::PopupAtScreen(TControl& anchor, TPoint screen) {
  const TWindow* window = anchor.Window();
  if (window == nullptr) return false;
  return Popup(anchor, anchor.WindowToClient(window->ScreenToWindow(screen)));
}

void TPopupMenu::Close() {
  if (overlay != nullptr) overlay->Close();
}

bool TPopupMenu::IsOpen() const { return overlay != nullptr && overlay->IsOpen(); }

int TPopupMenu::OpenLevels() const { return overlay != nullptr ? static_cast<int>(overlay->Levels().size()) : 0; }

TRect TPopupMenu::LevelRect(int level) const {
  if (level < 0 || level >= OpenLevels()) return {};
  return overlay->Levels()[static_cast<size_t>(level)].rect;
}

TMenuItem* TPopupMenu::Highlighted(int level) const {
  if (level < 0 || level >= OpenLevels()) return nullptr;
  const TMenuLevel& l = overlay->Levels()[static_cast<size_t>(level)];
  return l.highlight >= 0 ? &(*l.menu)[l.highlight] : nullptr;
}

std::optional<TRect> TPopupMenu::ItemRect(const TMenuItem& item) const {
  for (int level = 0; level < OpenLevels(); ++level) {
    const TMenuLevel& l = overlay->Levels()[static_cast<size_t>(level)];
    const int i = l.menu->IndexOf(item);
    if (i >= 0) return l.itemRects[static_cast<size_t>(i)];
  }
  return std::nullopt;
}
