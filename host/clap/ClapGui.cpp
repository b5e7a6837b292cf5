#include "host/clap/ClapGui.h"

#include <clap/ext/timer-support.h>

#include <cmath>
#include <cstring>

#include "editor/EditorZoom.h"
#include "host/clap/ClapBoundary.h"
#include "host/clap/ClapExtensions.h"
#include "host/clap/ClapPlugin.h"
#include "platform/SystemScale.h"

#if defined(_WIN32)
#include <windows.h>

#include <map>
#endif

namespace {

#if defined(_WIN32)
constexpr const char* kApi = CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kApi = CLAP_WINDOW_API_X11;
#endif
constexpr uint32_t kIdleMilliseconds = 33;  // about 30 ticks a second

TClapGui& GuiOf(const clap_plugin_t* p) { return TClapPlugin::Of(p)->Gui(); }

#if defined(_WIN32)
// System timers of editors whose host offers none, by timer id (main thread only).
std::map<UINT_PTR, TClapGui*>& SystemTimers() {
  static std::map<UINT_PTR, TClapGui*> timers;
  return timers;
}
void CALLBACK SystemTimerTick(HWND, UINT, UINT_PTR id, DWORD) {
  const auto found = SystemTimers().find(id);
  if (found != SystemTimers().end()) Guarded([&] { found->second->OnTimer(CLAP_INVALID_ID); });
}
#endif

}  // namespace

const clap_plugin_gui_t kClapGui = {
    [](const clap_plugin_t* p, const char* api, bool floating) {
      return Guarded(false, [&] { return GuiOf(p).IsApiSupported(api, floating); });
    },
    [](const clap_plugin_t* p, const char** api, bool* floating) {
      return Guarded(false, [&] { return GuiOf(p).PreferredApi(api, floating); });
    },
    [](const clap_plugin_t* p, const char* api, bool floating) {
      return Guarded(false, [&] { return GuiOf(p).Create(api, floating); });
    },
    [](const clap_plugin_t* p) { Guarded([&] { GuiOf(p).Destroy(); }); },
    [](const clap_plugin_t* p, double scale) { return Guarded(false, [&] { return GuiOf(p).SetScale(scale); }); },
    [](const clap_plugin_t* p, uint32_t* width, uint32_t* height) {
      return Guarded(false, [&] { return GuiOf(p).GetSize(width, height); });
    },
    // The size follows the zoom only: the host's window is never dragged to another.
    [](const clap_plugin_t*) { return false; },
    [](const clap_plugin_t*, clap_gui_resize_hints_t* hints) {
      if (hints == nullptr) return false;
      *hints = clap_gui_resize_hints_t{false, false, false, 0, 0};
      return true;
    },
    [](const clap_plugin_t* p, uint32_t* width, uint32_t* height) {
      return Guarded(false, [&] { return GuiOf(p).AdjustSize(width, height); });
    },
    [](const clap_plugin_t* p, uint32_t width, uint32_t height) {
      return Guarded(false, [&] { return GuiOf(p).SetSize(width, height); });
    },
    [](const clap_plugin_t* p, const clap_window_t* window) {
      return Guarded(false, [&] { return GuiOf(p).SetParent(window); });
    },
    [](const clap_plugin_t*, const clap_window_t*) { return false; },  // embedded only
    [](const clap_plugin_t*, const char*) {},
    [](const clap_plugin_t* p) { return Guarded(false, [&] { return GuiOf(p).Show(); }); },
    [](const clap_plugin_t* p) { return Guarded(false, [&] { return GuiOf(p).Hide(); }); },
};

const clap_plugin_timer_support_t kClapTimerSupport = {
    [](const clap_plugin_t* p, clap_id id) { Guarded([&] { GuiOf(p).OnTimer(id); }); },
};

TClapGui::TClapGui(TClapPlugin& owner, TEditorFormClass formClass) : owner(owner), formClass(formClass) {}

TClapGui::~TClapGui() { Destroy(); }

bool TClapGui::IsApiSupported(const char* api, bool floating) const {
  owner.RequireMainThread();
  return !floating && api != nullptr && std::strcmp(api, kApi) == 0;
}

bool TClapGui::PreferredApi(const char** api, bool* floating) const {
  owner.RequireMainThread();
  if (api != nullptr) *api = kApi;
  if (floating != nullptr) *floating = false;
  return true;
}

bool TClapGui::Create(const char* api, bool floating) {
  if (!IsApiSupported(api, floating) || created) return false;
  created = true;
  StartTimer();
  return true;
}

void TClapGui::Destroy() {
  owner.RequireMainThread();
  StopTimer();
  form.reset();
  created = false;
  hidden = false;
  toldUnparented.reset();
}

bool TClapGui::SetParent(const clap_window_t* window) {
  owner.RequireMainThread();
  if (!created || window == nullptr || window->api == nullptr || std::strcmp(window->api, kApi) != 0) return false;
  void* parent = window->ptr;
  if (parent == nullptr || formClass == nullptr) return false;
  form.reset();
  form = formClass(parent);
  if (!form) return false;
  form->SetFrame(this);
  if (hidden) form->Window().SetShown(false);
  if (hostScale > 0) form->SetHostScale(hostScale);
  // The window's screen may ask for another scale than the one the host sized its window for
  // (Windows: another monitor). The host is asked; one that cannot keeps the size it has.
  if (hostScale == 0 && toldUnparented && form->Size() != *toldUnparented && !RequestEditorSize(form->Size()))
    form->SetHostScale(toldSystemScale);
  // The form binds itself when the message arrives, after this call has returned.
  form->Window().Post(kBindEngineMessage, reinterpret_cast<intptr_t>(owner.EngineReference()), 0);
  return true;
}

bool TClapGui::SetScale(double scale) {
  owner.RequireMainThread();
  if (!std::isfinite(scale) || scale <= 0) return false;
  hostScale = scale;
  if (form) form->SetHostScale(scale);
  return true;
}

TEditorSize TClapGui::SizeNow() {
  if (requested) return *requested;
  if (form) return form->Size();
  if (hostScale > 0) return EditorSizeAt(PredictedEditorScale(hostScale));
  toldSystemScale = ScreenScale();
  toldUnparented = EditorSizeAt(PredictedEditorScale(toldSystemScale));
  return *toldUnparented;
}

bool TClapGui::GetSize(uint32_t* width, uint32_t* height) {
  owner.RequireMainThread();
  if (width == nullptr || height == nullptr) return false;
  const TEditorSize size = SizeNow();
  *width = static_cast<uint32_t>(size.width);
  *height = static_cast<uint32_t>(size.height);
  return true;
}

// One size at each zoom: whatever the host offers, the answer is that size.
bool TClapGui::AdjustSize(uint32_t* width, uint32_t* height) { return GetSize(width, height); }

bool TClapGui::SetSize(uint32_t width, uint32_t height) {
  owner.RequireMainThread();
  const TEditorSize size = SizeNow();
  return width == static_cast<uint32_t>(size.width) && height == static_cast<uint32_t>(size.height);
}

bool TClapGui::RequestEditorSize(TEditorSize size) {
  const clap_host_t* host = owner.Host();
  const auto* gui = host != nullptr && host->get_extension != nullptr
                        ? static_cast<const clap_host_gui_t*>(host->get_extension(host, CLAP_EXT_GUI))
                        : nullptr;
  if (gui == nullptr || gui->request_resize == nullptr) return false;
  requested = size;
  const bool resized = gui->request_resize(host, static_cast<uint32_t>(size.width), static_cast<uint32_t>(size.height));
  requested.reset();
  return resized;
}

// A hidden editor's window is taken out of the host's (which may show another view in it) and
// idles no more; shown again, it is painted afresh and catches up with what changed meanwhile.
bool TClapGui::Show() {
  owner.RequireMainThread();
  if (!created) return false;
  hidden = false;
  if (form) form->Window().SetShown(true);
  StartTimer();
  return true;
}

bool TClapGui::Hide() {
  owner.RequireMainThread();
  if (!created) return false;
  hidden = true;
  StopTimer();
  if (form) form->Window().SetShown(false);
  return true;
}

void TClapGui::OnTimer(clap_id id) {
  owner.RequireMainThread();
  if (id != timerId) return;
  Idle();
}

void TClapGui::Idle() {
  if (!form) return;
  // The window's waiting events first (the binding among them), then the engine's changes,
  // then one repaint of whatever both changed.
  form->Window().DispatchEvents();
  if (!form->IsLoading() && form->HasEngine()) owner.Face().DeliverChanges();
  form->Window().Update();
}

void TClapGui::StartTimer() {
  if (timerId != CLAP_INVALID_ID || systemTimer != 0) return;
  const clap_host_t* host = owner.Host();
  const auto* timers = host != nullptr && host->get_extension != nullptr
                           ? static_cast<const clap_host_timer_support_t*>(host->get_extension(host, CLAP_EXT_TIMER_SUPPORT))
                           : nullptr;
  clap_id id = CLAP_INVALID_ID;
  if (timers != nullptr && timers->register_timer != nullptr && timers->register_timer(host, kIdleMilliseconds, &id)) {
    timerId = id;
    return;
  }
#if defined(_WIN32)
  systemTimer = SetTimer(nullptr, 0, kIdleMilliseconds, &SystemTimerTick);
  if (systemTimer != 0) SystemTimers()[systemTimer] = this;
#endif
}

void TClapGui::StopTimer() {
  if (timerId != CLAP_INVALID_ID) {
    const clap_host_t* host = owner.Host();
    const auto* timers = static_cast<const clap_host_timer_support_t*>(host->get_extension(host, CLAP_EXT_TIMER_SUPPORT));
    if (timers != nullptr && timers->unregister_timer != nullptr) timers->unregister_timer(host, timerId);
    timerId = CLAP_INVALID_ID;
  }
#if defined(_WIN32)
  if (systemTimer != 0) {
    KillTimer(nullptr, systemTimer);
    SystemTimers().erase(systemTimer);
    systemTimer = 0;
  }
#endif
}
