// Drives plugMain as an unpredictable host would: any sequence of function
// codes, indices, capability codes, float bits, records and identifiers
// drawn from live, destroyed and made-up ones, on a driver the input also
// picks. Every address passed is valid or null: what is explored is the host
// contract, not wild memory.
//
// Besides "no crash, no leak, no undefined behaviour", each call's result
// word is checked against the promise the bad-host-input table makes, and
// after each call the host's GL state must be as a frame leaves it. At the
// end of each run every instance is destroyed, and then no texture,
// framebuffer, shader or program the plugin made may be alive.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "plugin/FreeFrame.h"
#include "plugin/FreeFrameGLPlugin.h"
#include "plugin/PlugMain.h"
#include "effect/HelixmorphicsV1.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

constexpr FFUInt32 kRegisteredParameters = HelixmorphicsV1::kRegisteredParameterCount;
constexpr FFUInt32 kSettableParameters = HelixmorphicsV1::kParameterCount;
constexpr FFUInt32 kInputs = 2;
constexpr int kCallsPerRun = 64;

FFUInt32 FloatBits(FuzzInput& in) {
  const FFUInt32 specials[] = {
      0x7FC00000u,  // NaN
      0xFFC00000u,  // negative NaN
      0x7F800001u,  // signalling NaN
      0x7F800000u,  // +inf
      0xFF800000u,  // -inf
      0x7F7FFFFFu,  // FLT_MAX
      0xFF7FFFFFu,  // -FLT_MAX
      0x00000001u,  // smallest subnormal
      0x80000000u,  // -0
      0x3F800000u,  // 1
      0x00000000u,  // 0
      0x7149F2CAu,  // 1e30
  };
  const std::uint8_t pick = in.Byte();
  if (pick < 128) return specials[pick % (sizeof specials / sizeof specials[0])];
  return in.Word();
}

bool IsNaNBits(FFUInt32 bits) { return (bits & 0x7F800000u) == 0x7F800000u && (bits & 0x7FFFFFu) != 0; }

// The records of one call, kept alive until plugMain returns.
struct CallRecords {
  FFGLViewportStruct viewport{};
  SetParameterStruct set{};
  double time = 0.0;
  ProcessOpenGLStruct frame{};
  std::vector<FFGLTextureStruct> textures;
  std::unique_ptr<FFGLTextureStruct*[]> entries;
};

class HostScript {
 public:
  explicit HostScript(FuzzInput& in) : in_(in) {}

  void Run() {
    ChooseDriver();
    for (int call = 0; call < kCallsPerRun && !in_.Empty(); ++call) Call();
    Finish();
  }

 private:
  void ChooseDriver() {
    fakegl::State& driver = FreshDriver();
    const std::uint8_t flags = in_.Byte();
    // Most runs get a complete driver, so instances exist and draw.
    if ((flags & 0xC0) == 0xC0) {
      const fakegl::Group groups[] = {fakegl::Group::Multitexture, fakegl::Group::ShaderObjects,
                                      fakegl::Group::FramebufferObjects,
                                      fakegl::Group::SwapInterval};
      for (unsigned bit = 0; bit < 4; ++bit) {
        if ((flags & (1u << bit)) == 0) driver.missingEntries.insert(fakegl::FirstEntry(groups[bit]));
      }
      if (const char* name = fakegl::EntryName(in_.Byte())) driver.missingEntries.insert(name);
    }
    driver.fragmentCompileStatus = driver.vertexCompileStatus = (flags & 0x10) == 0 ? 1 : 0;
    driver.linkStatus = (flags & 0x20) == 0 ? 1 : 0;
    driver.uniformMask = in_.Word() ^ 0xFFFFFFFFu;
    driver.infoLogLength = static_cast<int>(in_.SmallOrAny(40));
    // What a driver can report: the origin within the viewport bounds range,
    // the size within the largest viewport (16384 on Mesa).
    driver.viewport[0] = static_cast<GLfloat>(static_cast<std::int16_t>(in_.SmallOrAny(64)));
    driver.viewport[1] = static_cast<GLfloat>(static_cast<std::int16_t>(in_.SmallOrAny(64)));
    driver.viewport[2] = static_cast<GLfloat>(std::min(in_.SmallOrAny(300), 16384u));
    driver.viewport[3] = static_cast<GLfloat>(std::min(in_.SmallOrAny(300), 16384u));
  }

  bool IsLive(FFWord id) const {
    for (FFWord live : live_) {
      if (live == id) return true;
    }
    return false;
  }

  FFWord PickIdentifier() {
    const std::uint8_t pick = in_.Byte();
    switch (pick % 8) {
      case 0:
        return 0;
      case 1:
        return stale_.empty() ? 0 : stale_[in_.Byte() % stale_.size()];
      case 2: {
        // Close to a live instance's address: inside the object, or just past.
        if (live_.empty()) return 1;
        return live_[in_.Byte() % live_.size()] + 1 + in_.Byte() % 64;
      }
      case 3:
        return static_cast<FFWord>(in_.Word()) | (static_cast<FFWord>(in_.Word()) << 32);
      case 4:
        return reinterpret_cast<FFWord>(&records_);  // a real object, not an instance
      default:
        return live_.empty() ? 0 : live_[in_.Byte() % live_.size()];
    }
  }

  void Call() {
    const std::uint8_t op = in_.Byte();
    FFUInt32 code;
    switch (op % 28) {
      case 21:
      case 22:
        code = FF_INSTANTIATEGL;
        break;
      case 23:
      case 24:
        code = FF_PROCESSOPENGL;
        break;
      case 25:
        code = FF_SETPARAMETER;
        break;
      case 26:
        code = 21 + in_.Byte();
        break;
      case 27:
        code = in_.Word();
        break;
      default:
        code = op % 28;
    }
    const FFWord id = PickIdentifier();
    const bool live = IsLive(id);
    records_ = CallRecords{};
    const FFWord input = MakeInput(code);

    const fakegl::State& gl = fakegl::Get();
    const std::size_t texturesBefore = gl.liveTextures.size();
    const std::size_t framebuffersBefore = gl.liveFramebuffers.size();
    const std::size_t objectsBefore = gl.liveObjects.size();
    const FFWord result = plugMain(code, input, id);

    Expect(gl.fault.empty(), "the plugin misused an OpenGL object");
    Expect(gl.activeTexture == GL_TEXTURE0, "a call left a unit other than 0 active");
    Expect(gl.currentProgram == 0, "a call left a program current");
    Check(code, input, id, live, result);
    if (code == FF_INSTANTIATEGL && result == FF_FAIL) {
      Expect(gl.liveTextures.size() == texturesBefore &&
                 gl.liveFramebuffers.size() == framebuffersBefore &&
                 gl.liveObjects.size() == objectsBefore,
             "a refused instantiation left OpenGL objects behind");
    }
  }

  FFWord MakeInput(FFUInt32 code) {
    switch (code) {
      case FF_GETPARAMETERNAME:
      case FF_GETPARAMETERDEFAULT:
      case FF_GETPARAMETERDISPLAY:
      case FF_GETPARAMETER:
      case FF_GETPARAMETERTYPE:
      case FF_GETINPUTSTATUS:
        return in_.SmallOrAny(12);
      case FF_GETPLUGINCAPS:
        return in_.SmallOrAny(14);
      case FF_SETPARAMETER:
        if (in_.Byte() < 16) return 0;
        records_.set.ParameterNumber = in_.SmallOrAny(12);
        records_.set.NewParameterValue = FloatBits(in_);
        return reinterpret_cast<FFWord>(&records_.set);
      case FF_INSTANTIATEGL:
        if (in_.Byte() < 16) return 0;
        records_.viewport = {in_.SmallOrAny(8), in_.SmallOrAny(8), in_.SmallOrAny(2048),
                             in_.SmallOrAny(2048)};
        return reinterpret_cast<FFWord>(&records_.viewport);
      case FF_SETTIME: {
        if (in_.Byte() < 32) return 0;
        const double times[] = {0.0, 1.5, -1.0, NAN, INFINITY, -INFINITY, DBL_MAX, 1e300};
        records_.time = times[in_.Byte() % (sizeof times / sizeof times[0])];
        return reinterpret_cast<FFWord>(&records_.time);
      }
      case FF_PROCESSOPENGL:
        return MakeFrame();
      default:
        return in_.Byte() < 128 ? 0 : in_.Word();
    }
  }

  FFWord MakeFrame() {
    if (in_.Byte() < 16) return 0;
    ProcessOpenGLStruct& frame = records_.frame;
    frame.numInputTextures = in_.SmallOrAny(5);
    frame.HostFBO = in_.SmallOrAny(4);
    if (in_.Byte() < 24) return reinterpret_cast<FFWord>(&frame);  // no array at all
    // The array holds what the host claims, up to four entries: a plugin
    // that reads past them is caught by the address sanitizer.
    const FFUInt32 held = frame.numInputTextures < 4 ? frame.numInputTextures : 4;
    records_.entries.reset(new FFGLTextureStruct*[held]);
    records_.textures.resize(held);
    for (FFUInt32 i = 0; i < held; ++i) {
      if (in_.Byte() < 48) {
        records_.entries[i] = nullptr;
        continue;
      }
      FFGLTextureStruct& texture = records_.textures[i];
      texture.Width = in_.SmallOrAny(130);
      texture.Height = in_.SmallOrAny(130);
      texture.HardwareWidth = in_.Byte() < 128 ? texture.Width : in_.SmallOrAny(260);
      texture.HardwareHeight = in_.Byte() < 128 ? texture.Height : in_.SmallOrAny(260);
      texture.Handle = in_.SmallOrAny(8);
      records_.entries[i] = &texture;
    }
    frame.inputTextures = records_.entries.get();
    return reinterpret_cast<FFWord>(&frame);
  }

  bool NeedsInstance(FFUInt32 code) const {
    return code == FF_GETPARAMETERDISPLAY || code == FF_SETPARAMETER || code == FF_GETPARAMETER ||
           code == FF_GETINPUTSTATUS || code == FF_PROCESSOPENGL || code == FF_DEINSTANTIATEGL ||
           code == FF_SETTIME;
  }

  void Check(FFUInt32 code, FFWord input, FFWord id, bool live, FFWord result) {
    const auto index = static_cast<FFUInt32>(input);
    if (NeedsInstance(code) && !live) {
      Expect(result == FF_FAIL, "a code that needs an instance accepted a dead identifier");
      return;
    }
    switch (code) {
      case FF_GETINFO: {
        const auto* info = reinterpret_cast<const PluginInfoStruct*>(result);
        Expect(info != nullptr && info->APIMajorVersion == 1, "FF_GETINFO gave no record");
        return;
      }
      case FF_GETEXTENDEDINFO: {
        const auto* info = reinterpret_cast<const PluginExtendedInfoStruct*>(result);
        Expect(info != nullptr && std::strlen(info->Description) > 0 && std::strlen(info->About) > 0,
               "FF_GETEXTENDEDINFO gave no record");
        return;
      }
      case FF_INITIALISE:
      case FF_DEINITIALISE:
        Expect(result == FF_SUCCESS, "FF_INITIALISE or FF_DEINITIALISE failed");
        return;
      case FF_GETNUMPARAMETERS:
        Expect(result == kRegisteredParameters, "wrong parameter count");
        return;
      case FF_GETPARAMETERNAME:
        if (index < kRegisteredParameters) {
          // All 16 bytes of the field are the host's to read.
          const char* name = reinterpret_cast<const char*>(result);
          Expect(name != nullptr && name[0] != '\0', "no parameter name");
          sink_ = name[15];
        } else {
          Expect(result == 0, "a name for an unregistered parameter");
        }
        return;
      case FF_GETPARAMETERDEFAULT:
      case FF_GETPARAMETERTYPE:
        if (index >= kRegisteredParameters) {
          Expect(result == FF_FAIL, "a default or type for an unregistered parameter");
        } else if (code == FF_GETPARAMETERTYPE) {
          Expect(result == FF_TYPE_STANDARD, "wrong parameter type");
        }
        return;
      case FF_GETPLUGINCAPS: {
        const FFWord expected = index == FF_CAP_PROCESSOPENGL          ? 1
                                : index == FF_CAP_MAXIMUMINPUTFRAMES ? kInputs
                                                                     : 0;
        Expect(result == expected, "wrong capability answer");
        return;
      }
      case FF_INSTANTIATEGL:
        CheckInstantiation(input, result);
        return;
      case FF_DEINSTANTIATEGL:
        Expect(result == FF_SUCCESS, "a live instance was not destroyed");
        Forget(id);
        return;
      case FF_GETPARAMETERDISPLAY:
        if (index < kRegisteredParameters) {
          const char* text = reinterpret_cast<const char*>(result);
          Expect(text != nullptr, "no display text for a registered parameter");
          Expect(std::memchr(text, '\0', CFreeFrameGLPlugin::kDisplayBufferSize) != nullptr,
                 "a display text runs past the display buffer");
        } else {
          Expect(result == 0, "a display text for an unregistered parameter");
        }
        return;
      case FF_SETPARAMETER:
        CheckSet(input, id, result);
        return;
      case FF_GETPARAMETER:
        CheckGet(index, id, result);
        return;
      case FF_GETINPUTSTATUS:
        Expect(result == (index < kInputs ? 1u : FF_FAIL), "wrong input status");
        return;
      case FF_PROCESSOPENGL:
        Expect(result == (input == 0 ? FF_FAIL : FF_SUCCESS), "wrong frame result");
        return;
      case FF_SETTIME:
        Expect(result == FF_FAIL, "host time is not supported, yet FF_SETTIME succeeded");
        return;
      default:
        // FF_PROCESSFRAME, FF_INSTANTIATE, FF_DEINSTANTIATE, FF_PROCESSFRAMECOPY
        // and every unknown code.
        Expect(result == FF_FAIL, "an unhandled code did not give FF_FAIL");
    }
  }

  void CheckInstantiation(FFWord input, FFWord result) {
    const bool usableDriver = fakegl::Offers(fakegl::Group::Multitexture) &&
                              fakegl::Offers(fakegl::Group::ShaderObjects);
    const bool expected = input != 0 && usableDriver;
    Expect((result != FF_FAIL) == expected, "instantiation result does not match the driver");
    if (result == FF_FAIL) return;
    Expect(result != 0 && !IsLive(result), "a new instance has the identifier of a live one");
    // An address freed earlier may be handed out again: it is live now.
    for (std::size_t i = 0; i < stale_.size(); ++i) {
      if (stale_[i] == result) {
        stale_.erase(stale_.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
    live_.push_back(result);
    values_.erase(result);
  }

  void Forget(FFWord id) {
    for (std::size_t i = 0; i < live_.size(); ++i) {
      if (live_[i] == id) {
        live_.erase(live_.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
    stale_.push_back(id);
    values_.erase(id);
  }

  void CheckSet(FFWord input, FFWord id, FFWord result) {
    if (input == 0) {
      Expect(result == FF_FAIL, "FF_SETPARAMETER without a record succeeded");
      return;
    }
    const SetParameterStruct& set = records_.set;
    const bool settable = set.ParameterNumber < kSettableParameters;
    Expect(result == (settable ? FF_SUCCESS : FF_FAIL), "wrong FF_SETPARAMETER result");
    if (settable) values_[id][set.ParameterNumber] = static_cast<FFUInt32>(set.NewParameterValue);
  }

  void CheckGet(FFUInt32 index, FFWord id, FFWord result) {
    Expect(result <= 0xFFFFFFFFu, "a float result with bits in the high half");
    if (index >= kSettableParameters) {
      Expect(result == FFWordFromFloat(-1.0f), "an unknown parameter did not read as -1");
      return;
    }
    const auto instance = values_.find(id);
    if (instance == values_.end()) return;
    const auto value = instance->second.find(index);
    if (value == instance->second.end()) return;
    // Stored as given, without clamping; a NaN may come back quietened.
    const auto bits = static_cast<FFUInt32>(result);
    Expect(bits == value->second || (IsNaNBits(bits) && IsNaNBits(value->second)),
           "a parameter read back differs from the value set");
  }

  void Finish() {
    for (FFWord id : std::vector<FFWord>(live_)) {
      Expect(plugMain(FF_DEINSTANTIATEGL, 0, id) == FF_SUCCESS, "a live instance was not destroyed");
      Forget(id);
    }
    Expect(plugMain(FF_DEINITIALISE, 0, 0) == FF_SUCCESS, "FF_DEINITIALISE failed");
    for (FFWord id : stale_) {
      Expect(plugMain(FF_GETINPUTSTATUS, 0, id) == FF_FAIL,
             "the plugin still lists instances the host destroyed");
    }
    ExpectNothingLeft();
  }

  FuzzInput& in_;
  std::vector<FFWord> live_;
  std::vector<FFWord> stale_;
  std::map<FFWord, std::map<FFUInt32, FFUInt32>> values_;
  CallRecords records_;
  volatile char sink_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  HostScript(in).Run();
  return 0;
}
