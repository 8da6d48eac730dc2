#include "tools/pack/IsfTranslation.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "effect/DescriptionFormat.h"
#include "tools/pack/IsfPasses.h"
#include "tools/pack/Utf8Path.h"

namespace {

int CountLines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

const struct {
  const char* name;
  const char* type;
  UniformFeed feed;
} kStandardUniforms[] = {
    {"TIME", "float", UniformFeed::kTime},        {"TIMEDELTA", "float", UniformFeed::kTimeDelta},
    {"FRAMEINDEX", "int", UniformFeed::kFrameIndex}, {"DATE", "vec4", UniformFeed::kDate},
    {"RENDERSIZE", "vec2", UniformFeed::kRenderSize}, {"PASSINDEX", "int", UniformFeed::kPassIndex},
};

// What both texts declare: the standard uniforms, the inputs, the
// normalised coordinate under both versions' names, and the image helpers.
std::string Declarations(const IsfPlugin& plugin) {
  std::string text;
  for (const auto& u : kStandardUniforms) {
    text += std::string("uniform ") + u.type + " " + u.name + ";\n";
  }
  text += plugin.declarations;
  text +=
      "varying vec2 isf_FragNormCoord;\n"
      "#define vv_FragNormCoord isf_FragNormCoord\n"
      "vec4 isf_Pixel(sampler2D s, vec2 size, vec2 c) { return texture2D(s, c / size); }\n"
      "vec4 isf_NormPixel(sampler2D s, vec2 c) { return texture2D(s, c); }\n"
      "vec4 isf_ThisPixel(sampler2D s) { return texture2D(s, isf_FragNormCoord); }\n";
  return text;
}

const char kVertexInit[] =
    "#define vv_vertShaderInit isf_vertShaderInit\n"
    "void isf_vertShaderInit() { gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex; "
    "isf_FragNormCoord = gl_MultiTexCoord0.xy; }\n";
const char kDefaultVertexMain[] = "void main() { isf_vertShaderInit(); }\n";

// Moves a leading "#version" line to the front of the prefix, leaving a
// blank line so later lines keep their numbers.
std::string TakeVersionLine(std::string& text) {
  const std::string code = WithoutComments(text);
  const std::size_t first = code.find_first_not_of(" \t\r\n");
  if (first == std::string::npos || code.compare(first, 8, "#version") != 0) return "";
  const std::size_t end = text.find('\n', first);
  const std::size_t stop = end == std::string::npos ? text.size() : end;
  std::string line = text.substr(first, stop - first) + "\n";
  text.replace(first, stop - first, "");
  return line;
}

// Rewrites IMG_PIXEL and its kin into the helpers; false with `error` for
// an image the header does not name.
bool RewriteImageCalls(std::string& text, const IsfPlugin& plugin, const std::string& path,
                       std::string& error) {
  const std::string code = WithoutComments(text);
  static const std::regex call(
      R"((^|[^A-Za-z0-9_])IMG_(THIS_NORM_PIXEL|THIS_PIXEL|NORM_PIXEL|PIXEL|SIZE)[ \t]*\([ \t]*([A-Za-z_][A-Za-z0-9_]*))");
  struct Edit {
    std::size_t at, length;
    std::string with;
  };
  std::vector<Edit> edits;
  for (auto it = std::sregex_iterator(code.begin(), code.end(), call); it != std::sregex_iterator();
       ++it) {
    const std::smatch& m = *it;
    const std::string kind = m[2], image = m[3];
    const auto at = static_cast<std::size_t>(m.position(0) + m.length(1));
    if (std::find(plugin.images.begin(), plugin.images.end(), image) == plugin.images.end()) {
      error = path + ":" + std::to_string(CountLines(code.substr(0, at)) + 1) + ": error: IMG_" +
              kind + " samples '" + image +
              "', which is no image input, buffer or imported picture of the ISF header";
      return false;
    }
    std::string with;
    if (kind == "PIXEL") with = "isf_Pixel(" + image + ", _" + image + "_imgSize";
    if (kind == "NORM_PIXEL") with = "isf_NormPixel(" + image;
    if (kind == "THIS_PIXEL" || kind == "THIS_NORM_PIXEL") with = "isf_ThisPixel(" + image;
    if (kind == "SIZE") with = "(_" + image + "_imgSize";
    edits.push_back({at, static_cast<std::size_t>(m.length(0) - m.length(1)), with});
  }
  for (auto e = edits.rbegin(); e != edits.rend(); ++e) text.replace(e->at, e->length, e->with);
  return true;
}

bool ReadFile(const std::string& path, std::string& text) {
  std::ifstream file(Utf8Path(path), std::ios::binary);
  if (!file) return false;
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

int UserLines(const std::string& text) {
  return CountLines(text) + (text.empty() || text.back() == '\n' ? 0 : 1);
}

}  // namespace

bool TranslateIsf(const std::string& path, ShaderSource& source, IsfShader& shader,
                  std::string& error) {
  if (!ParseIsfHeader(source.text, path, shader.header, error) ||
      !MapIsfInputs(shader.header, source.text, path, shader.plugin, error) ||
      !MapIsfPasses(shader.header, source.text, path, shader.plugin, error)) {
    return false;
  }
  for (const UniformDescription& u : shader.plugin.uniforms) {
    for (const auto& standard : kStandardUniforms) {
      if (u.name == standard.name) {
        error = path + ":1: error: input NAME '" + u.name + "' is a uniform ISF declares itself";
        return false;
      }
    }
  }
  for (const auto& standard : kStandardUniforms) {
    UniformDescription u;
    u.name = standard.name;
    u.feed = standard.feed;
    shader.plugin.uniforms.push_back(u);
  }

  std::string fragment = source.text;
  if (!RewriteImageCalls(fragment, shader.plugin, path, error)) return false;
  const std::string declarations = Declarations(shader.plugin);
  std::string version = TakeVersionLine(fragment);
  source.carried = version + declarations + fragment;
  source.prepared = source.carried;
  source.prefixLines = CountLines(version + declarations);
  source.userLines = UserLines(source.text);
  source.samplesInput = shader.plugin.inputs > 0;
  source.mainAdded = false;

  // NAME.vs beside NAME.fs replaces the default vertex text.
  const std::filesystem::path fragmentPath = Utf8Path(path);
  const std::string vertexPath =
      PathText(std::filesystem::path(fragmentPath).replace_extension(".vs"));
  std::string vertex;
  const bool ownVertex = fragmentPath.extension() != ".vs" && ReadFile(vertexPath, vertex);
  if (ownVertex) {
    if (vertex.size() > description_format::kMaximumProgramLength / 2 ||
        vertex.find('\0') != std::string::npos) {
      error = vertexPath + ": error: the vertex shader is not a text of at most 512 KiB";
      return false;
    }
    if (!RewriteImageCalls(vertex, shader.plugin, vertexPath, error)) return false;
  }
  const std::string vertexVersion = ownVertex ? TakeVersionLine(vertex) : "";
  const std::string vertexPrefix = vertexVersion + declarations + kVertexInit;
  source.vertexPrepared = vertexPrefix + (ownVertex ? vertex : kDefaultVertexMain);
  source.vertexShownPath = ownVertex ? vertexPath : path;
  source.vertexPrefixLines = CountLines(vertexPrefix);
  source.vertexUserLines = ownVertex ? UserLines(vertex) : 1;
  return true;
}
