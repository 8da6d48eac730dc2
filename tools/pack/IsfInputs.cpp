#include "tools/pack/IsfInputs.h"

#include <algorithm>
#include <cmath>
#include <regex>

#include "effect/DescriptionFormat.h"

namespace {

using Json = nlohmann::json;

constexpr std::size_t kMaximumNameLength = 16;
// Room for "_" NAME "_imgRect" within a uniform name.
constexpr std::size_t kMaximumInputName = description_format::kMaximumUniformNameLength - 9;

float Number(const Json& value, float otherwise) {
  if (value.is_number()) {
    const double v = value.get<double>();
    if (std::isfinite(v) && std::fabs(v) < 1e30) return static_cast<float>(v);
  }
  if (value.is_boolean()) return value.get<bool>() ? 1.0f : 0.0f;
  return otherwise;
}

float Member(const Json& input, const char* key, float otherwise) {
  const auto it = input.find(key);
  return it == input.end() ? otherwise : Number(*it, otherwise);
}

// Component `i` of an array member, `otherwise` where absent.
float Component(const Json& input, const char* key, std::size_t i, float otherwise) {
  const auto it = input.find(key);
  if (it == input.end() || !it->is_array() || it->size() <= i) return otherwise;
  return Number((*it)[i], otherwise);
}

// A whole number within an int's range (a header may hold any number).
std::int32_t Integer(float value) {
  const double v = std::round(double{value});
  return static_cast<std::int32_t>(std::fmin(std::fmax(v, -2147483647.0), 2147483647.0));
}

float Fraction(float value, float minimum, float maximum) {
  if (!(maximum != minimum)) return 0.0f;
  return std::fmin(std::fmax((value - minimum) / (maximum - minimum), 0.0f), 1.0f);
}

std::string Shorten(const std::string& text, std::size_t length) {
  return text.size() <= length ? text : text.substr(0, length);
}

class Mapper {
 public:
  Mapper(const std::string& text, const std::string& path, IsfPlugin& plugin, std::string& error)
      : text_(text), path_(path), plugin_(plugin), error_(error) {}

  bool Fail(const std::string& inputName, const std::string& what) {
    // The line where the input's name appears in the header, else line 1.
    const std::size_t at = inputName.empty() ? std::string::npos : text_.find('"' + inputName + '"');
    error_ = path_ + ":" + std::to_string(at == std::string::npos ? 1 : LineAt(text_, at)) +
             ": error: " + what;
    return false;
  }

  // A unique name of at most 16 characters, `suffix` kept whole.
  std::string UniqueName(const std::string& base, const std::string& suffix) {
    std::string name = Shorten(base, kMaximumNameLength - suffix.size()) + suffix;
    for (int n = 2; Taken(name) && n < 1000; ++n) {
      const std::string number = " " + std::to_string(n);
      name = Shorten(base, kMaximumNameLength - suffix.size() - number.size()) + suffix + number;
    }
    return name;
  }

  bool Add(const std::string& inputName, ParameterDescription p) {
    if (plugin_.parameters.size() >= PluginDescription::kMaximumParameters) {
      return Fail(inputName, "input '" + inputName + "' needs more than " +
                                 std::to_string(PluginDescription::kMaximumParameters) +
                                 " parameters in all, more than a plugin may have");
    }
    p.initialValue = p.defaultValue;
    plugin_.parameters.push_back(std::move(p));
    return true;
  }

  bool Input(const Json& input);

 private:
  bool Taken(const std::string& name) const {
    return std::any_of(plugin_.parameters.begin(), plugin_.parameters.end(),
                       [&](const ParameterDescription& p) { return p.name == name; });
  }
  void Declare(const std::string& type, const std::string& name) {
    plugin_.declarations += "uniform " + type + " " + name + ";\n";
  }
  bool Image(const std::string& name);

  const std::string& text_;
  const std::string& path_;
  IsfPlugin& plugin_;
  std::string& error_;
};

bool Mapper::Image(const std::string& name) {
  if (plugin_.inputs >= 2) {
    return Fail(name, "image input '" + name +
                          "' is a third picture; a FreeFrame GL plugin takes at most two inputs");
  }
  const auto input = static_cast<FFUInt32>(plugin_.inputs++);
  UniformDescription u;
  u.input = input;
  u.name = name;
  u.feed = UniformFeed::kInputSampler;
  plugin_.uniforms.push_back(u);
  u.name = "_" + name + "_imgSize";
  u.feed = UniformFeed::kInputSize;
  plugin_.uniforms.push_back(u);
  u.name = "_" + name + "_imgRect";
  u.feed = UniformFeed::kInputRect;
  plugin_.uniforms.push_back(u);
  Declare("sampler2D", name);
  Declare("vec2", "_" + name + "_imgSize");
  Declare("vec4", "_" + name + "_imgRect");
  plugin_.images.push_back(name);
  return true;
}

bool Mapper::Input(const Json& input) {
  if (!input.is_object()) return Fail("", "an entry of INPUTS is not an object");
  const auto nameIt = input.find("NAME");
  const auto typeIt = input.find("TYPE");
  if (nameIt == input.end() || !nameIt->is_string()) return Fail("", "an input has no NAME");
  const std::string name = nameIt->get<std::string>();
  static const std::regex identifier("[A-Za-z_][A-Za-z0-9_]*");
  if (name.size() > kMaximumInputName || !std::regex_match(name, identifier)) {
    return Fail(name, "input NAME '" + Shorten(name, 80) + "' is not a GLSL identifier of at most " +
                          std::to_string(kMaximumInputName) + " characters");
  }
  for (const UniformDescription& u : plugin_.uniforms) {
    if (u.name == name) return Fail(name, "input NAME '" + name + "' is used twice");
  }
  if (typeIt == input.end() || !typeIt->is_string()) {
    return Fail(name, "input '" + name + "' has no TYPE");
  }
  const std::string type = typeIt->get<std::string>();
  const auto labelIt = input.find("LABEL");
  const std::string label =
      labelIt != input.end() && labelIt->is_string() && !labelIt->get<std::string>().empty()
          ? labelIt->get<std::string>()
          : name;

  UniformDescription u;
  u.name = name;
  u.parameter = static_cast<FFUInt32>(plugin_.parameters.size());
  ParameterDescription p;
  if (type == "image") return Image(name);
  if (type == "audio" || type == "audioFFT") {
    return Fail(name, "input '" + name + "' is of type " + type +
                          ": a FreeFrame GL host gives a plugin no sound to feed it");
  }
  if (type == "float") {
    const float minimum = Member(input, "MIN", 0.0f), maximum = Member(input, "MAX", 1.0f);
    p.name = UniqueName(label, "");
    p.defaultValue = Fraction(Member(input, "DEFAULT", minimum), minimum, maximum);
    p.display = ParameterDisplay::kRange;
    p.displayMinimum = minimum;
    p.displayMaximum = maximum;
    u.feed = UniformFeed::kParameters;
    u.minimum[0] = minimum;
    u.maximum[0] = maximum;
    Declare("float", name);
    if (!Add(name, p)) return false;
  } else if (type == "bool" || type == "event") {
    p.name = UniqueName(label, "");
    p.type = type == "bool" ? FF_TYPE_BOOLEAN : FF_TYPE_EVENT;
    p.defaultValue = type == "bool" && Member(input, "DEFAULT", 0.0f) > 0.5f ? 1.0f : 0.0f;
    u.feed = type == "bool" ? UniformFeed::kBool : UniformFeed::kEvent;
    Declare("bool", name);
    if (!Add(name, p)) return false;
  } else if (type == "long") {
    const auto values = input.find("VALUES");
    if (values != input.end() && values->is_array()) {
      for (const Json& v : *values) {
        if (u.values.size() > description_format::kMaximumUniformValues) break;
        u.values.push_back(Integer(Number(v, 0.0f)));
      }
    } else {
      const std::int64_t minimum = Integer(Member(input, "MIN", 0.0f));
      const std::int64_t maximum = Integer(Member(input, "MAX", 1.0f));
      if (maximum - minimum >= std::int64_t{description_format::kMaximumUniformValues}) {
        return Fail(name, "input '" + name + "' spans more than " +
                              std::to_string(description_format::kMaximumUniformValues) +
                              " values; give VALUES instead");
      }
      for (std::int64_t v = minimum; v <= maximum; ++v) {
        u.values.push_back(static_cast<std::int32_t>(v));
      }
    }
    if (u.values.empty() || u.values.size() > description_format::kMaximumUniformValues) {
      return Fail(name, "input '" + name + "' needs 1 to " +
                            std::to_string(description_format::kMaximumUniformValues) + " VALUES");
    }
    const auto labels = input.find("LABELS");
    const bool labelled = labels != input.end() && labels->is_array() &&
                          labels->size() == u.values.size();
    for (std::size_t i = 0; i < u.values.size(); ++i) {
      const Json* l = labelled ? &(*labels)[i] : nullptr;
      p.labels.push_back(Shorten(l != nullptr && l->is_string() ? l->get<std::string>()
                                                                : std::to_string(u.values[i]),
                                 description_format::kMaximumLabelLength));
    }
    const std::int32_t chosen = Integer(Member(input, "DEFAULT", float(u.values[0])));
    const auto at = std::find(u.values.begin(), u.values.end(), chosen);
    const std::size_t index = at == u.values.end() ? 0 : std::size_t(at - u.values.begin());
    p.name = UniqueName(label, "");
    p.defaultValue = u.values.size() < 2 ? 0.0f : float(index) / float(u.values.size() - 1);
    p.display = ParameterDisplay::kLabels;
    u.feed = UniformFeed::kValueStep;
    Declare("int", name);
    if (!Add(name, p)) return false;
  } else if (type == "color") {
    const char* suffixes[4] = {" R", " G", " B", " A"};
    const FFUInt32 types[4] = {FF_TYPE_RED, FF_TYPE_GREEN, FF_TYPE_BLUE, FF_TYPE_STANDARD};
    for (std::size_t c = 0; c < 4; ++c) {
      p.name = UniqueName(label, suffixes[c]);
      p.type = types[c];
      p.defaultValue = std::fmin(std::fmax(Component(input, "DEFAULT", c, c == 3 ? 1.0f : 0.0f),
                                           0.0f), 1.0f);
      if (!Add(name, p)) return false;
    }
    u.feed = UniformFeed::kParameters;
    u.components = 4;
    Declare("vec4", name);
  } else if (type == "point2D") {
    const bool ranged = input.contains("MIN") && input.contains("MAX");
    const char* suffixes[2] = {" X", " Y"};
    const FFUInt32 types[2] = {FF_TYPE_XPOS, FF_TYPE_YPOS};
    // Without a range the point is a fraction of the render size; a default
    // in pixels is taken against the host's usual 1280 x 720.
    const float nominal[2] = {1280.0f, 720.0f};
    for (std::size_t c = 0; c < 2; ++c) {
      const float minimum = Component(input, "MIN", c, 0.0f);
      const float maximum = Component(input, "MAX", c, ranged ? 1.0f : nominal[c]);
      const float chosen = Component(input, "DEFAULT", c, ranged ? minimum : 0.5f);
      u.minimum[c] = ranged ? minimum : 0.0f;
      u.maximum[c] = ranged ? maximum : 1.0f;
      p.name = UniqueName(label, suffixes[c]);
      p.type = types[c];
      p.defaultValue = ranged || chosen > 1.0f ? Fraction(chosen, minimum, maximum)
                                               : std::fmax(chosen, 0.0f);
      if (ranged) {
        p.display = ParameterDisplay::kRange;
        p.displayMinimum = minimum;
        p.displayMaximum = maximum;
      }
      if (!Add(name, p)) return false;
    }
    u.feed = ranged ? UniformFeed::kParameters : UniformFeed::kParametersOfSize;
    u.components = 2;
    Declare("vec2", name);
  } else {
    return Fail(name, "input '" + name + "' has TYPE '" + Shorten(type, 40) +
                          "', which ISF does not define");
  }
  plugin_.uniforms.push_back(u);
  return true;
}

}  // namespace

bool MapIsfInputs(const IsfHeader& header, const std::string& text, const std::string& path,
                  IsfPlugin& plugin, std::string& error) {
  Mapper mapper(text, path, plugin, error);
  const auto inputs = header.object.find("INPUTS");
  if (inputs != header.object.end()) {
    if (!inputs->is_array()) return mapper.Fail("INPUTS", "INPUTS is not an array");
    for (const Json& input : *inputs) {
      if (!mapper.Input(input)) return false;
    }
  }
  const auto& images = plugin.images;
  const bool transition = images.size() == 2 && images[0] == "startImage" &&
                          images[1] == "endImage";
  if (!transition && std::find(images.begin(), images.end(), "endImage") != images.end() &&
      std::find(images.begin(), images.end(), "startImage") != images.end()) {
    return mapper.Fail("startImage", "a transition lists startImage, then endImage, and no other image");
  }
  plugin.pluginType = plugin.inputs > 0 ? FF_EFFECT : FF_SOURCE;
  return true;
}
