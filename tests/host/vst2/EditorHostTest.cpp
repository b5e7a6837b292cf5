// The editor host with a stand-in form: how many forms live, what they are told, and the
// rectangle the host gets.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "host/vst2/HostAssert.h"
#include "platform/HeadlessWindow.h"
#include "tests/support/EditorListenerStub.h"
#include "tests/host/vst2/InProcess.h"

using inprocess::LinkedEntryWith;
using inprocess::PluginOf;
using vst2host::Host;

namespace {

struct FormLog {
  int created = 0;
  int destroyed = 0;
  std::vector<intptr_t> engineRefs;  // binding messages received, in order
  void* lastParent = nullptr;
  int width = gFormWidth;
  int height = gFormHeight;
  bool loading = false;
  bool hasEngine = false;
  bool refuse = false;  // the factory answers null
};
FormLog gLog;

class FakeForm : public TControl, public TEditorForm {
 public:
  explicit FakeForm(void* parent) : window(gLog.width, gLog.height) {
    ++gLog.created;
    gLog.lastParent = parent;
    window.SetRoot(this);
  }
  ~FakeForm() override { ++gLog.destroyed; }
  TWindow& Window() override { return window; }
  bool IsLoading() const override { return gLog.loading; }
  bool HasEngine() const override { return gLog.hasEngine; }
  THeadlessWindow window;

 protected:
  void HandleMessage(uint32_t message, intptr_t a, intptr_t) override {
    if (message == kBindEngineMessage) gLog.engineRefs.push_back(a);
  }
};

std::unique_ptr<TEditorForm> MakeFakeForm(void* parent) {
  if (gLog.refuse) return nullptr;
  return std::make_unique<FakeForm>(parent);
}

FakeForm* LiveForm(AEffect* fx) {
  return static_cast<FakeForm*>(static_cast<TVSTEditor*>(PluginOf(fx).getEditor())->Form());
}

class EditorHost : public testing::Test {
 protected:
  void SetUp() override {
    gLog = FormLog{};
    fx = host.Load();
    ASSERT_NE(fx, nullptr);
  }
  void TearDown() override { host.Close(); }
  VstIntPtr Open() { return host.Dispatch(effEditOpen, 0, 0, window); }
  void Close() { host.Dispatch(effEditClose); }

  Host host{LinkedEntryWith<MakeFakeForm>};
  AEffect* fx = nullptr;
  char window[8] = {};  // stands for the host's native window
};

}  // namespace

TEST_F(EditorHost, OpenCountsAndOnlyTheLastCloseDestroys) {
  EXPECT_EQ(Open(), 1);
  EXPECT_EQ(gLog.created, 1);
  EXPECT_EQ(gLog.lastParent, static_cast<void*>(window));
  EXPECT_EQ(Open(), 1);
  EXPECT_EQ(gLog.created, 1) << "a second open without close only counts";
  Close();
  EXPECT_EQ(gLog.destroyed, 0) << "still open once";
  Close();
  EXPECT_EQ(gLog.destroyed, 1);
  Close();  // more closes than opens
  EXPECT_EQ(gLog.destroyed, 1);

  EXPECT_EQ(Open(), 1);
  EXPECT_EQ(gLog.created, 2) << "a new form after a full close";
  EXPECT_TRUE(gLog.engineRefs.empty()) << "the binding is posted, not sent";
  host.Dispatch(effEditIdle);
  ASSERT_EQ(gLog.engineRefs.size(), 1u) << "every new form is told where the engine is";
  auto* engineRef = reinterpret_cast<TPlugCore**>(gLog.engineRefs[0]);
  EXPECT_EQ(*engineRef, &inprocess::EngineOf(fx));
}

TEST_F(EditorHost, ClosingBeforeTheBindingArrivedDropsIt) {
  Open();
  Close();
  Open();
  host.Dispatch(effEditIdle);
  EXPECT_EQ(gLog.engineRefs.size(), 1u) << "only the live form's message arrives";
}

TEST_F(EditorHost, NoWindowNoForm) {
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, nullptr), 0);
  EXPECT_EQ(gLog.created, 0);
  gLog.refuse = true;
  EXPECT_EQ(Open(), 1) << "opening never fails towards the host";
  host.Dispatch(effEditIdle);
  ERect* r = nullptr;
  EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, &r), 1);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->right, 809);
  EXPECT_EQ(r->bottom, 536);
}

TEST_F(EditorHost, ClosingThePluginRemovesAnOpenForm) {
  Open();
  Open();
  EXPECT_EQ(host.Close(), 1);
  EXPECT_EQ(gLog.destroyed, 1);
}

TEST_F(EditorHost, IdleReachesTheEngineOnlyOnceTheFormIsBound) {
  TPlugCore& core = inprocess::EngineOf(fx);
  struct Count : TEditorListenerStub {
    int displayed = 0;
    void OnParamDisplay(int, int) override { ++displayed; }
  } listener;
  core.SetEditorListener(&listener);
  core.SetEditorBusy(false);
  core.MarkChanged(211);

  host.Dispatch(effEditIdle);
  EXPECT_EQ(listener.displayed, 0) << "no form";
  Open();
  host.Dispatch(effEditIdle);
  EXPECT_EQ(listener.displayed, 0) << "the engine reference has not arrived yet";
  gLog.hasEngine = true;
  gLog.loading = true;
  host.Dispatch(effEditIdle);
  EXPECT_EQ(listener.displayed, 0) << "still loading";
  gLog.loading = false;
  host.Dispatch(effEditIdle);
  EXPECT_EQ(listener.displayed, 1);
  core.SetEditorListener(nullptr);
}

TEST_F(EditorHost, IdleRepaintsAfterTheDelivery) {
  Open();
  FakeForm* form = LiveForm(fx);
  ASSERT_NE(form, nullptr);
  host.Dispatch(effEditIdle);
  const int presents = form->window.PresentCount();
  form->Invalidate();
  host.Dispatch(effEditIdle);
  EXPECT_EQ(form->window.PresentCount(), presents + 1);
  host.Dispatch(effEditIdle);
  EXPECT_EQ(form->window.PresentCount(), presents + 1) << "nothing changed, nothing drawn";
}

TEST_F(EditorHost, RectangleOfTheLiveForm) {
  Open();
  ERect* r = nullptr;
  EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, &r), 1);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->top, 0);
  EXPECT_EQ(r->left, 0);
  EXPECT_EQ(r->right, 809);
  EXPECT_EQ(r->bottom, 536);
}

TEST_F(EditorHost, WrongFormSizeIsAnAssertionThatNeverReachesTheHost) {
  struct Case {
    int width, height;
    const char* message;
  };
  const Case cases[] = {
      {800, 536, "TVSTPlugin.getEditorRect: pe.right(800) <> gFormWidth(809)"},
      {809, 500, "TVSTPlugin.getEditorRect: pe.bottom <> gFormHeight"},
  };
  for (const Case& c : cases) {
    gLog.width = c.width;
    gLog.height = c.height;
    Open();
    ERect* r = nullptr;
    EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, &r), 0) << "the dispatcher caught it";
    try {
      PluginOf(fx).getEditorRect(&r);
      ADD_FAILURE() << "no assertion for " << c.width << " x " << c.height;
    } catch (const EAssertionFailed& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.Source(), "VSTPlugin");
    }
    Close();
  }
}
