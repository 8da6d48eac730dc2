#include "tools/pack/IsfPasses.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "effect/DescriptionFormat.h"
#include "tools/pack/PictureFile.h"
#include "tools/pack/Utf8Path.h"

namespace {

using Json = nlohmann::json;

// A recursive-descent parser that emits postfix terms as it goes.
class ExpressionParser {
 public:
  ExpressionParser(const std::string& text, const IsfPlugin& plugin, std::vector<SizeTerm>& out)
      : text_(text), plugin_(plugin), out_(out) {}

  bool Parse(std::string& error) {
    out_.clear();
    if (!Sum() || (Skip(), at_ != text_.size() && Fail("unexpected '" + text_.substr(at_, 1) + "'"))) {
      error = error_;
      return false;
    }
    return true;
  }

 private:
  bool Fail(const std::string& what) {
    if (error_.empty()) error_ = what;
    return false;
  }
  void Skip() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  bool Take(char c) {
    Skip();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Emit(SizeOp op, float value = 0.0f, FFUInt32 index = 0) {
    if (out_.size() >= BufferDescription::kMaximumTerms) {
      return Fail("longer than " + std::to_string(BufferDescription::kMaximumTerms) + " terms");
    }
    out_.push_back({op, value, index});
    return true;
  }
  std::string Identifier() {
    const std::size_t start = at_;
    while (at_ < text_.size() &&
           (std::isalnum(static_cast<unsigned char>(text_[at_])) || text_[at_] == '_')) {
      ++at_;
    }
    return text_.substr(start, at_ - start);
  }

  bool Sum() {
    if (!Product()) return false;
    for (;;) {
      if (Take('+')) {
        if (!Product() || !Emit(SizeOp::kAdd)) return false;
      } else if (Take('-')) {
        if (!Product() || !Emit(SizeOp::kSubtract)) return false;
      } else {
        return true;
      }
    }
  }
  bool Product() {
    if (!Unary()) return false;
    for (;;) {
      if (Take('*')) {
        if (!Unary() || !Emit(SizeOp::kMultiply)) return false;
      } else if (Take('/')) {
        if (!Unary() || !Emit(SizeOp::kDivide)) return false;
      } else {
        return true;
      }
    }
  }
  bool Unary() {
    if (++depth_ > 32) return Fail("nested too deeply");
    bool ok = false;
    if (Take('-')) {
      ok = Unary() && Emit(SizeOp::kNegate);
    } else if (Take('+')) {
      ok = Unary();
    } else {
      ok = Primary();
    }
    --depth_;
    return ok;
  }
  bool Primary() {
    Skip();
    if (at_ >= text_.size()) return Fail("it ends where a value was expected");
    const char c = text_[at_];
    if (c == '(') {
      ++at_;
      return Sum() && (Take(')') || Fail("a '(' is not closed"));
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      std::size_t used = 0;
      double value = 0.0;
      try {
        value = std::stod(text_.substr(at_), &used);
      } catch (...) {
        return Fail("'" + text_.substr(at_) + "' is no number");
      }
      at_ += used;
      if (!std::isfinite(value) || std::fabs(value) > 1e30) return Fail("a number is too large");
      return Emit(SizeOp::kNumber, static_cast<float>(value));
    }
    if (c == '$') {
      ++at_;
      const std::string name = Identifier();
      if (name == "WIDTH") return Emit(SizeOp::kWidth);
      if (name == "HEIGHT") return Emit(SizeOp::kHeight);
      const auto& u = plugin_.uniforms;
      for (std::size_t i = 0; i < u.size(); ++i) {
        if (u[i].name == name && u[i].feed <= UniformFeed::kEvent) {
          return Emit(SizeOp::kInput, 0.0f, static_cast<FFUInt32>(i));
        }
      }
      return Fail("'$" + name + "' is neither $WIDTH, $HEIGHT nor an input with a value");
    }
    if (std::isalpha(static_cast<unsigned char>(c))) {
      const std::string name = Identifier();
      static const struct {
        const char* name;
        SizeOp op;
        int operands;
      } kFunctions[] = {
          {"floor", SizeOp::kFloor, 1}, {"ceil", SizeOp::kCeil, 1}, {"round", SizeOp::kRound, 1},
          {"abs", SizeOp::kAbs, 1},     {"sqrt", SizeOp::kSqrt, 1}, {"sin", SizeOp::kSin, 1},
          {"cos", SizeOp::kCos, 1},     {"exp", SizeOp::kExp, 1},   {"log", SizeOp::kLog, 1},
          {"min", SizeOp::kMin, 2},     {"max", SizeOp::kMax, 2},   {"pow", SizeOp::kPow, 2},
          {"mod", SizeOp::kMod, 2},     {"clamp", SizeOp::kClamp, 3},
      };
      for (const auto& f : kFunctions) {
        if (name != f.name) continue;
        if (!Take('(')) return Fail(name + " needs '('");
        for (int i = 0; i < f.operands; ++i) {
          if (i > 0 && !Take(',')) {
            return Fail(name + " takes " + std::to_string(f.operands) + " arguments");
          }
          if (!Sum()) return false;
        }
        if (!Take(')')) return Fail(name + " takes " + std::to_string(f.operands) + " argument(s)");
        return Emit(f.op);
      }
      return Fail("'" + name + "' is no function it knows (floor, ceil, round, abs, sqrt, min, "
                  "max, pow, mod, clamp, sin, cos, exp, log)");
    }
    return Fail("unexpected '" + std::string(1, c) + "'");
  }

  const std::string& text_;
  const IsfPlugin& plugin_;
  std::vector<SizeTerm>& out_;
  std::string error_;
  std::size_t at_ = 0;
  int depth_ = 0;
};

bool Truth(const Json& value) {
  if (value.is_boolean()) return value.get<bool>();
  if (value.is_number()) return value.get<double>() != 0.0;
  if (value.is_string()) return value.get<std::string>() == "true" || value.get<std::string>() == "1";
  return false;
}

bool IsIdentifier(const std::string& name) {
  if (name.empty() || name.size() > description_format::kMaximumUniformNameLength - 9 ||
      std::isdigit(static_cast<unsigned char>(name[0]))) {
    return false;
  }
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

class PassMapper {
 public:
  PassMapper(const std::string& text, const std::string& path, IsfPlugin& plugin,
             std::string& error)
      : text_(text), path_(path), plugin_(plugin), error_(error) {}

  bool Fail(const std::string& near, const std::string& what) {
    const std::size_t at = near.empty() ? std::string::npos : text_.find(near);
    error_ = path_ + ":" + std::to_string(at == std::string::npos ? 1 : LineAt(text_, at)) +
             ": error: " + what;
    return false;
  }

  // The buffer named `name`, made when new; null after a failure.
  BufferDescription* Buffer(const std::string& name) {
    for (auto& b : plugin_.buffers) {
      if (b.name == name) return &b;
    }
    if (!Available(name, "buffer")) return nullptr;
    if (plugin_.buffers.size() >= PluginDescription::kMaximumBuffers) {
      Fail('"' + name + '"', "buffer '" + name + "' is one more than the " +
                                 std::to_string(PluginDescription::kMaximumBuffers) +
                                 " a plugin may have");
      return nullptr;
    }
    plugin_.buffers.push_back({});
    plugin_.buffers.back().name = name;
    Declare(name, UniformFeed::kBufferSampler, plugin_.buffers.size() - 1);
    return &plugin_.buffers.back();
  }

  // FLOAT, PERSISTENT, WIDTH and HEIGHT of a pass or a buffer's options.
  bool Options(const Json& options, BufferDescription& b) {
    if (!options.is_object()) return true;
    if (options.contains("FLOAT")) b.floating = b.floating || Truth(options["FLOAT"]);
    if (options.contains("PERSISTENT")) b.persistent = b.persistent || Truth(options["PERSISTENT"]);
    return Side(options, "WIDTH", b, b.width) && Side(options, "HEIGHT", b, b.height);
  }

  bool Picture(const std::string& name, const Json& entry) {
    if (!entry.is_object()) return Fail('"' + name + '"', "IMPORTED '" + name + "' is not an object");
    if (!Available(name, "imported picture")) return false;
    if (entry.contains("TYPE") && entry["TYPE"] == "cube") {
      return Fail('"' + name + '"', "IMPORTED '" + name + "' is a cube map, which a plugin cannot carry");
    }
    const auto file = entry.find("PATH");
    if (file == entry.end() || !file->is_string()) {
      return Fail('"' + name + '"', "IMPORTED '" + name + "' has no PATH");
    }
    if (plugin_.pictures.size() >= PluginDescription::kMaximumPictures) {
      return Fail('"' + name + '"', "IMPORTED '" + name + "' is one more than the " +
                                        std::to_string(PluginDescription::kMaximumPictures) +
                                        " pictures a plugin may carry");
    }
    const std::string picturePath =
        PathText(Utf8Path(path_).parent_path() / Utf8Path(file->get<std::string>()));
    ChannelDescription read;
    std::string why;
    if (!ReadChannelPicture(picturePath, read, why)) {
      // The reader's "PATH: error: " said once, here, with the picture's path.
      const std::size_t reason = why.find(": error: ");
      return Fail('"' + name + '"', "IMPORTED '" + name + "' (" + picturePath + "): " +
                                        (reason == std::string::npos ? why : why.substr(reason + 9)));
    }
    PictureDescription p;
    p.name = name;
    p.width = read.width;
    p.height = read.height;
    p.pixels = std::move(read.pixels);
    plugin_.pictures.push_back(std::move(p));
    plugin_.pictureFiles.push_back(picturePath);
    Declare(name, UniformFeed::kPictureSampler, plugin_.pictures.size() - 1);
    return true;
  }

 private:
  bool Available(const std::string& name, const char* what) {
    if (!IsIdentifier(name)) {
      return Fail('"' + name + '"', std::string(what) + " name '" + name.substr(0, 80) +
                                        "' is not a GLSL identifier of at most " +
                                        std::to_string(description_format::kMaximumUniformNameLength - 9) +
                                        " characters");
    }
    const bool taken =
        std::find(plugin_.images.begin(), plugin_.images.end(), name) != plugin_.images.end() ||
        std::any_of(plugin_.uniforms.begin(), plugin_.uniforms.end(),
                    [&](const UniformDescription& u) { return u.name == name; });
    if (taken) {
      return Fail('"' + name + '"', std::string(what) + " '" + name + "' has the name of another input or image");
    }
    return true;
  }

  // The sampler and the size and rectangle uniforms of image `name`.
  void Declare(const std::string& name, UniformFeed sampler, std::size_t index) {
    UniformDescription u;
    u.input = static_cast<FFUInt32>(index);
    const UniformFeed size = static_cast<UniformFeed>(static_cast<FFUInt32>(sampler) + 1);
    const UniformFeed rect = static_cast<UniformFeed>(static_cast<FFUInt32>(sampler) + 2);
    const std::pair<std::string, UniformFeed> entries[3] = {
        {name, sampler}, {"_" + name + "_imgSize", size}, {"_" + name + "_imgRect", rect}};
    const char* types[3] = {"sampler2D", "vec2", "vec4"};
    for (int i = 0; i < 3; ++i) {
      u.name = entries[i].first;
      u.feed = entries[i].second;
      plugin_.uniforms.push_back(u);
      plugin_.declarations += std::string("uniform ") + types[i] + " " + u.name + ";\n";
    }
    plugin_.images.push_back(name);
  }

  bool Side(const Json& options, const char* key, const BufferDescription& b,
            std::vector<SizeTerm>& terms) {
    const auto it = options.find(key);
    if (it == options.end() || !terms.empty()) return true;
    std::string expression;
    if (it->is_number()) {
      expression = std::to_string(it->get<double>());
    } else if (it->is_string()) {
      expression = it->get<std::string>();
    } else {
      return Fail(std::string("\"") + key + '"', "buffer '" + b.name + "': " + key +
                                                     " is neither a number nor an expression");
    }
    std::string why;
    if (!ParseSizeExpression(expression, plugin_, terms, why)) {
      const std::string shown = expression.substr(0, 80);
      return Fail(it->is_string() ? '"' + shown : std::string("\"") + key + '"',
                  "buffer '" + b.name + "': " + key + " \"" + shown + "\": " + why);
    }
    return true;
  }

  const std::string& text_;
  const std::string& path_;
  IsfPlugin& plugin_;
  std::string& error_;
};

}  // namespace

bool ParseSizeExpression(const std::string& expression, const IsfPlugin& plugin,
                         std::vector<SizeTerm>& terms, std::string& error) {
  return ExpressionParser(expression, plugin, terms).Parse(error);
}

bool MapIsfPasses(const IsfHeader& header, const std::string& text, const std::string& path,
                  IsfPlugin& plugin, std::string& error) {
  PassMapper mapper(text, path, plugin, error);
  const Json& object = header.object;

  // Version 1 names its persistent buffers apart from the passes.
  const auto persistent = object.find("PERSISTENT_BUFFERS");
  if (persistent != object.end()) {
    if (persistent->is_string()) {
      BufferDescription* b = mapper.Buffer(persistent->get<std::string>());
      if (b == nullptr) return false;
      b->persistent = true;
    } else if (persistent->is_array()) {
      for (const Json& name : *persistent) {
        if (!name.is_string()) return mapper.Fail("PERSISTENT_BUFFERS", "PERSISTENT_BUFFERS holds a name that is no string");
        BufferDescription* b = mapper.Buffer(name.get<std::string>());
        if (b == nullptr) return false;
        b->persistent = true;
      }
    } else if (persistent->is_object()) {
      for (const auto& [name, options] : persistent->items()) {
        BufferDescription* b = mapper.Buffer(name);
        if (b == nullptr) return false;
        b->persistent = true;
        if (!mapper.Options(options, *b)) return false;
      }
    } else {
      return mapper.Fail("PERSISTENT_BUFFERS", "PERSISTENT_BUFFERS is neither a list nor a dictionary");
    }
  }

  const auto passes = object.find("PASSES");
  if (passes != object.end()) {
    if (!passes->is_array()) return mapper.Fail("PASSES", "PASSES is not an array");
    if (passes->size() > PluginDescription::kMaximumPasses) {
      return mapper.Fail("PASSES", "PASSES lists more than " +
                                       std::to_string(PluginDescription::kMaximumPasses) + " passes");
    }
    for (const Json& pass : *passes) {
      if (!pass.is_object()) return mapper.Fail("PASSES", "an entry of PASSES is not an object");
      PassDescription p;
      const auto target = pass.find("TARGET");
      if (target != pass.end() && target->is_string() && !target->get<std::string>().empty()) {
        BufferDescription* b = mapper.Buffer(target->get<std::string>());
        if (b == nullptr || !mapper.Options(pass, *b)) return false;
        p.target = static_cast<FFUInt32>(b - plugin.buffers.data()) + 1;
      }
      plugin.passes.push_back(p);
    }
    // One pass into the output is no pass at all.
    if (plugin.passes.size() == 1 && plugin.passes[0].target == 0) plugin.passes.clear();
  }

  const auto imported = object.find("IMPORTED");
  if (imported != object.end()) {
    if (imported->is_object()) {
      for (const auto& [name, entry] : imported->items()) {
        if (!mapper.Picture(name, entry)) return false;
      }
    } else if (imported->is_array()) {
      // Version 1 lists each picture with its NAME.
      for (const Json& entry : *imported) {
        const auto name = entry.is_object() ? entry.find("NAME") : entry.end();
        if (name == entry.end() || !name->is_string()) {
          return mapper.Fail("IMPORTED", "an entry of IMPORTED has no NAME");
        }
        if (!mapper.Picture(name->get<std::string>(), entry)) return false;
      }
    } else {
      return mapper.Fail("IMPORTED", "IMPORTED is neither a dictionary nor a list");
    }
  }
  return true;
}
