// The shipped library called from several host threads at once, as hosts
// with a render thread per output and an interface thread do. Render
// threads, each with its own OpenGL context, make, draw (with and without
// inputs) and destroy instances and draw one long-lived instance each;
// describing threads ask for the plugin's parameters and capabilities and
// deinitialise it now and then; a parameter thread sets and reads the
// long-lived instances while they draw and names identifiers that were never
// instances. Every result word is checked, and at the end no object of the
// plugin is left in any context. The linux-tsan build runs it under
// ThreadSanitizer, which must find no data race in the plugin.
#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/gl/HostFramebuffer.h"
#include "tests/soak/SoakHost.h"

namespace {

constexpr int kRenderThreads = 3;
constexpr int kDescribingThreads = 2;
constexpr FFGLViewportStruct kViewport{0, 0, 64, 64};
constexpr FFUInt32 kSpeedDefaultBits = 0x3DCCCCCD;  // 0.1f

template <typename Record>
FFWord Address(Record* record) {
  return reinterpret_cast<FFWord>(record);
}

// Stands for any word but 0 and FF_FAIL: an address or an identifier.
constexpr FFWord kSomeAddress = ~FFWord{0} - 1;

// What the threads share: when to stop, the long-lived instances, and the
// first wrong result word any of them got.
struct Stress {
  std::atomic<bool> stop{false};
  std::atomic<int> renderersReady{0};
  std::atomic<bool> parameterCallsDone{false};
  std::atomic<FFWord> longLived[kRenderThreads] = {};
  std::atomic<long> calls{0};
  std::atomic<long> frames{0};
  std::mutex faultLock;
  std::string firstFault;
  int faults = 0;

  void Fault(const std::string& what) {
    const std::lock_guard<std::mutex> hold(faultLock);
    if (faults++ == 0) firstFault = what;
  }

  // Calls plugMain and checks the result word.
  FFWord Ask(FFUInt32 code, FFWord input, FFWord instance, FFWord expected) {
    const FFWord got = mesa::Plugin().Call(code, input, instance);
    calls.fetch_add(1, std::memory_order_relaxed);
    const bool right =
        expected == kSomeAddress ? got != 0 && got != FF_FAIL : got == expected;
    if (!right) {
      Fault("code " + std::to_string(code) + " input " + std::to_string(input) + " gave " +
            std::to_string(got) + ", not " + std::to_string(expected));
    }
    return got;
  }
};

// The contexts stay until the process ends: the display they share must not
// be terminated under another thread, and unloading Mesa's driver at exit
// would hide its allocations from the leak checker.
std::vector<std::unique_ptr<host::GLContext>>& Contexts() {
  static auto* contexts = new std::vector<std::unique_ptr<host::GLContext>>(kRenderThreads);
  return *contexts;
}

// Between rounds of the describing and parameter threads: they are there to
// overlap the render threads' calls, not to take their processor time.
void Pause() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

void Frame(Stress& s, FFWord id, const host::HostFramebuffer& target,
           FFGLTextureStruct** inputs) {
  target.Bind();
  ProcessOpenGLStruct frame{inputs != nullptr ? 2u : 0u, inputs, target.Framebuffer()};
  s.Ask(FF_PROCESSOPENGL, Address(&frame), id, FF_SUCCESS);
  soak::PresentFrame();
  s.frames.fetch_add(1, std::memory_order_relaxed);
}

// Keeps making, drawing and destroying instances in the thread's context.
void DrawUntilStopped(Stress& s, int thread) {
  const host::HostFramebuffer target(mesa::GL(), 64, 64);
  soak::InputTexture first(16, 16);
  soak::InputTexture second(8, 12);
  FFGLTextureStruct* inputs[2] = {&first.record, &second.record};
  const soak::ObjectCensus hostOnly = soak::CountObjects();

  const FFWord longLived = s.Ask(FF_INSTANTIATEGL, Address(&kViewport), 0, kSomeAddress);
  s.longLived[thread].store(longLived);
  s.renderersReady.fetch_add(1);
  for (int cycle = 0; !s.stop.load() && longLived != FF_FAIL; ++cycle) {
    const FFWord id = s.Ask(FF_INSTANTIATEGL, Address(&kViewport), 0, kSomeAddress);
    if (id == FF_FAIL) break;
    s.Ask(FF_GETPARAMETER, 0, id, kSpeedDefaultBits);
    SetParameterStruct mode{2, FFWordFromFloat(static_cast<float>(cycle % 4) / 4.0f)};
    s.Ask(FF_SETPARAMETER, Address(&mode), id, FF_SUCCESS);
    Frame(s, id, target, nullptr);
    Frame(s, id, target, inputs);
    s.Ask(FF_DEINSTANTIATEGL, 0, id, FF_SUCCESS);
    Frame(s, longLived, target, cycle % 2 == 0 ? inputs : nullptr);
  }

  // The long-lived instance goes once nothing else names it.
  while (!s.parameterCallsDone.load()) std::this_thread::yield();
  if (longLived != FF_FAIL) s.Ask(FF_DEINSTANTIATEGL, 0, longLived, FF_SUCCESS);
  soak::ExpectNoObjectsBeyond("a render thread's context", hostOnly);
}

// Each thread makes its own context, which also binds the desktop OpenGL API
// on that thread (EGL keeps the bound API per thread).
void Render(Stress& s, int thread) {
  std::string error;
  Contexts()[thread] = host::GLContext::Create(error);
  if (Contexts()[thread] == nullptr) {
    s.Fault(error);
    s.longLived[thread].store(FF_FAIL);
    s.renderersReady.fetch_add(1);
    return;
  }
  DrawUntilStopped(s, thread);
  eglReleaseThread();
}

// Every describing code with its expected answer; one thread also
// deinitialises now and then, so the template is made again under the
// others. Returned texts are not read: a host must not use them across
// another thread's FF_DEINITIALISE.
void Describe(Stress& s, int thread) {
  const struct {
    FFUInt32 code;
    FFWord input;
    FFWord expected;
  } questions[] = {
      {FF_GETINFO, 0, kSomeAddress},
      {FF_INITIALISE, 0, FF_SUCCESS},
      {FF_GETNUMPARAMETERS, 0, 3},
      {FF_GETPARAMETERNAME, 0, kSomeAddress},
      {FF_GETPARAMETERNAME, 2, kSomeAddress},
      {FF_GETPARAMETERNAME, 3, 0},
      {FF_GETPARAMETERDEFAULT, 0, kSpeedDefaultBits},
      {FF_GETPARAMETERDEFAULT, 3, FF_FAIL},
      {FF_GETPARAMETERTYPE, 1, FF_TYPE_STANDARD},
      {FF_GETPARAMETERTYPE, 3, FF_FAIL},
      {FF_GETPLUGINCAPS, FF_CAP_PROCESSOPENGL, 1},
      {FF_GETPLUGINCAPS, FF_CAP_SETTIME, 0},
      {FF_GETPLUGINCAPS, FF_CAP_MINIMUMINPUTFRAMES, 0},
      {FF_GETPLUGINCAPS, FF_CAP_MAXIMUMINPUTFRAMES, 2},
      {FF_GETEXTENDEDINFO, 0, kSomeAddress},
      {21, 0, FF_FAIL},
  };
  for (int round = 0; !s.stop.load(); ++round) {
    for (const auto& q : questions) s.Ask(q.code, q.input, 0, q.expected);
    // The record lives as long as the library.
    const auto* info = reinterpret_cast<const PluginInfoStruct*>(mesa::Plugin().Call(FF_GETINFO));
    if (std::memcmp(info->PluginName, "Helixmorphics1_D", 16) != 0) s.Fault("FF_GETINFO's name");
    if (thread == 0 && round % 8 == 7) s.Ask(FF_DEINITIALISE, 0, 0, FF_SUCCESS);
    Pause();
  }
}

// Sets and reads back the long-lived instances' parameters while they draw,
// and names identifiers that never were instances while others come and go.
void SetParameters(Stress& s) {
  static const int kNotAnInstance = 0;
  const double time = 1.5;
  for (int round = 0; !s.stop.load(); ++round) {
    for (const std::atomic<FFWord>& published : s.longLived) {
      const FFWord id = published.load();
      if (id == 0 || id == FF_FAIL) continue;
      const auto index = static_cast<FFUInt32>(round % 9);
      SetParameterStruct set{index, FFWordFromFloat(static_cast<float>(round % 100) / 100.0f)};
      s.Ask(FF_SETPARAMETER, Address(&set), id, FF_SUCCESS);
      s.Ask(FF_GETPARAMETER, index, id, set.NewParameterValue);
      s.Ask(FF_GETPARAMETER, 9, id, FFWordFromFloat(-1.0f));
      s.Ask(FF_GETINPUTSTATUS, 1, id, 1);
      s.Ask(FF_SETTIME, Address(&time), id, FF_FAIL);
      for (const FFWord madeUp : {FFWord{1}, FFWord{0xFFFFFFFF}, id + 8, Address(&kNotAnInstance)}) {
        s.Ask(FF_SETPARAMETER, Address(&set), madeUp, FF_FAIL);
        s.Ask(FF_GETINPUTSTATUS, 0, madeUp, FF_FAIL);
      }
    }
    Pause();
  }
}

TEST(ConcurrentHosts, ThreadsMakeDrawDescribeAndSetAtOnceWithEveryAnswerRight) {
  mesa::GL();  // the host's entry points, valid in every thread's context
  Stress s;
  std::vector<std::thread> renderers;
  std::vector<std::thread> others;
  for (int i = 0; i < kRenderThreads; ++i) renderers.emplace_back(Render, std::ref(s), i);
  for (int i = 0; i < kDescribingThreads; ++i) others.emplace_back(Describe, std::ref(s), i);
  others.emplace_back(SetParameters, std::ref(s));

  // The time counts from when every render thread has its context and
  // long-lived instance; meanwhile the others already race the first calls.
  while (s.renderersReady.load() < kRenderThreads) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::seconds(STRESS_SECONDS));
  s.stop.store(true);
  for (std::thread& t : others) t.join();
  s.parameterCallsDone.store(true);
  for (std::thread& t : renderers) t.join();

  std::printf("%ld checked calls, %ld frames in %d s on %d render threads\n", s.calls.load(),
              s.frames.load(), STRESS_SECONDS, kRenderThreads);
  EXPECT_EQ(s.faults, 0) << "first: " << s.firstFault;
  EXPECT_GT(s.frames.load(), 0);
}

}  // namespace
