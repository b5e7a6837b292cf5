// The editor as an LV2 X11 UI: the same form the VST 2.x editor host builds, in a child window
// of the host's (ui:parent), bound to the instance's engine (instance-access), idled by the host
// (ui:idleInterface). The host's port changes reach the engine through the instance's block and
// show at the next idle tick; the editor's changes reach the host through the write function
// (with ui:touch around a gesture where the host offers it), so that automation records them.
// Changes the engine makes by itself (a program change, a chain moving on, a restored state)
// are written to the host's ports as the editor shows them.
//
// Size: the host's ui:scaleFactor option (else the system's scale) times the user's zoom; the UI
// announces its size through ui:resize, which also serves a zoom chosen while open (a host that
// answers other than 0, or offers no ui:resize, keeps the editor at the size it has).
#include "host/lv2/Lv2Ui.h"

#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "editor/EditorForm.h"
#include "editor/PlugEditorForm.h"
#include "host/lv2/Lv2Plugin.h"
#include "host/lv2/Lv2Uris.h"
#include "host/boundary/FpuGuard.h"

namespace {

const void* FeatureData(const LV2_Feature* const* features, const char* uri) {
  if (features == nullptr) return nullptr;
  for (int i = 0; features[i] != nullptr; ++i)
    if (features[i]->URI != nullptr && std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
  return nullptr;
}

constexpr float kUnknown = std::numeric_limits<float>::quiet_NaN();

// The host's ui:scaleFactor among the instantiation's options, or 0 when it tells none.
double HostScaleFactor(const LV2_Feature* const* features) {
  const auto* options = static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  const auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  if (options == nullptr || map == nullptr || map->map == nullptr) return 0;
  const LV2_URID scaleFactor = map->map(map->handle, LV2_UI__scaleFactor);
  const LV2_URID atomFloat = map->map(map->handle, LV2_ATOM__Float);
  for (const LV2_Options_Option* o = options; o->key != 0 || o->value != nullptr; ++o) {
    if (o->key != scaleFactor || o->type != atomFloat || o->size != sizeof(float) || o->value == nullptr) continue;
    float scale = 0;
    std::memcpy(&scale, o->value, sizeof scale);
    return std::isfinite(scale) && scale > 0 ? scale : 0;
  }
  return 0;
}

class TLv2Ui final : public TLv2PortWriter, private TEditorFrame {
 public:
  TLv2Ui(TLv2Plugin& instance, LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch,
         const LV2UI_Resize* resize)
      : instance(instance), write(write), controller(controller), touch(touch), resize(resize) {
    shown.fill(kUnknown);
    hostKnown.fill(kUnknown);
  }
  ~TLv2Ui() {
    form.reset();  // removes its window; a gesture it ends still reaches the host
    instance.DetachUi(this);
  }
  TLv2Ui(const TLv2Ui&) = delete;
  TLv2Ui& operator=(const TLv2Ui&) = delete;

  bool Open(void* parent, double hostScale) {
    form = TPlugForm::Create(parent);
    // Without a window inside the host's (no display to reach) there is nothing to embed.
    if (!form || form->Window().NativeHandle() == nullptr) return false;
    if (hostScale > 0) form->SetHostScale(hostScale);
    form->SetFrame(this);
    if (CanResize()) resize->ui_resize(resize->handle, form->Size().width, form->Size().height);
    instance.AttachUi(this);
    // The form binds itself when the message arrives, at the first idle tick.
    form->Window().Post(kBindEngineMessage, reinterpret_cast<intptr_t>(instance.EditorEngineRef()), 0);
    return true;
  }
  void* Widget() const { return form->Window().NativeHandle(); }

  // The host's value of a port: what it holds, for comparing with the engine's later. The value
  // itself reaches the engine through the instance's next block.
  void PortEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (port >= kPortCount || format != 0 || size != sizeof(float) || buffer == nullptr) return;
    float value = 0;
    std::memcpy(&value, buffer, sizeof value);
    if (std::isfinite(value)) hostKnown[port] = value;
  }

  int Idle() {
    // The window's waiting events first (the binding among them), then the engine's changes,
    // then one repaint of whatever both changed.
    form->Window().DispatchEvents();
    if (!form->IsLoading() && form->HasEngine()) instance.Face().DeliverChanges();
    form->Window().Update();
    WriteEngineChanges();
    return 0;
  }

  // ---- TLv2PortWriter: the editor's changes (this thread).
  void WritePort(uint32_t port, float value) override {
    if (port >= kPortCount) return;
    shown[port] = hostKnown[port] = value;
    write(controller, port, sizeof value, 0, &value);
  }
  void Touch(uint32_t port, bool grabbed) override {
    if (touch != nullptr && touch->touch != nullptr) touch->touch(touch->handle, port, grabbed);
  }

 private:
  bool CanResize() const { return resize != nullptr && resize->ui_resize != nullptr; }
  // A zoom chosen while open: ui:resize answers 0 when the host's window took the size.
  bool RequestEditorSize(TEditorSize size) override {
    return CanResize() && resize->ui_resize(resize->handle, size.width, size.height) == 0;
  }

  // A port value the engine changed since the last look, and which the host does not hold:
  // not a change the host made itself (automation playing, its generic view).
  void WriteEngineChanges() {
    for (uint32_t port = kPortProgram; port < kPortCount; ++port) {
      float value = 0;
      if (!ReadPortValue(instance.Face(), port, value) || value == shown[port]) continue;
      const bool firstLook = std::isnan(shown[port]);
      shown[port] = value;
      float held = hostKnown[port];
      instance.HostPortValue(port, held);  // the port itself where the instance can see it
      if (!firstLook && (std::isnan(held) || std::lround(value) != std::lround(held))) WritePort(port, value);
    }
  }

  TLv2Plugin& instance;
  LV2UI_Write_Function write;
  LV2UI_Controller controller;
  const LV2UI_Touch* touch;
  const LV2UI_Resize* resize;
  std::unique_ptr<TEditorForm> form;
  std::array<float, kPortCount> shown{};      // the engine's values at the last look
  std::array<float, kPortCount> hostKnown{};  // the host's values, as it told or was told
};

LV2UI_Handle Instantiate(const LV2UI_Descriptor* /*descriptor*/, const char* pluginUri, const char* /*bundle*/,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
  const TFpuGuard fpu;
  try {
    if (pluginUri == nullptr || std::strcmp(pluginUri, MOLTRIN_LV2_URI) != 0 || write == nullptr || widget == nullptr)
      return nullptr;
    void* parent = const_cast<void*>(FeatureData(features, LV2_UI__parent));
    auto* instance = static_cast<TLv2Plugin*>(const_cast<void*>(FeatureData(features, LV2_INSTANCE_ACCESS_URI)));
    if (parent == nullptr || instance == nullptr || !instance->IsInstance()) return nullptr;
    const auto* touch = static_cast<const LV2UI_Touch*>(FeatureData(features, LV2_UI__touch));
    const auto* resize = static_cast<const LV2UI_Resize*>(FeatureData(features, LV2_UI__resize));
    auto ui = std::make_unique<TLv2Ui>(*instance, write, controller, touch, resize);
    if (!ui->Open(parent, HostScaleFactor(features))) return nullptr;
    *widget = ui->Widget();
    return ui.release();
  } catch (...) {
    return nullptr;
  }
}

void Cleanup(LV2UI_Handle handle) {
  const TFpuGuard fpu;
  delete static_cast<TLv2Ui*>(handle);
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
  const TFpuGuard fpu;
  static_cast<TLv2Ui*>(handle)->PortEvent(port, size, format, buffer);
}

int Idle(LV2UI_Handle handle) {
  const TFpuGuard fpu;
  try {
    return static_cast<TLv2Ui*>(handle)->Idle();
  } catch (...) {
    return 0;
  }
}

const void* ExtensionData(const char* uri) {
  static const LV2UI_Idle_Interface idle{Idle};
  if (uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idle;
  return nullptr;
}

const LV2UI_Descriptor kDescriptor{MOLTRIN_LV2_UI_URI, Instantiate, Cleanup, PortEvent, ExtensionData};

}  // namespace

const LV2UI_Descriptor* MoltrinUiDescriptor() { return &kDescriptor; }
