#include "tools/pack/Packer.h"

#include "effect/DescriptionFormat.h"
#include "effect/PluginDescription.h"
#include "tools/pack/DefaultNames.h"
#include "tools/pack/DescriptionWriter.h"
#include "tools/pack/IsfTranslation.h"
#include "tools/pack/PictureFile.h"
#include "tools/pack/PluginWriter.h"
#include "tools/pack/ShaderCheck.h"
#include "tools/pack/Utf8Path.h"

namespace {

// Samples a video input: iChannel0/1 given no picture, or a texture uniform.
bool SamplesInput(const ShaderSource& source, const PackOptions& options) {
  return source.samplesNamedTexture ||
         (source.usesChannel[0] && options.channels[0].picture.empty()) ||
         (source.usesChannel[1] && options.channels[1].picture.empty());
}

// Each channel's picture, its input or nothing; a channel the shader
// samples that gets neither is reported.
bool DescribeChannels(const ShaderSource& source, const PackOptions& options,
                      FFUInt32 pluginType, PluginDescription& d, PackResult& result) {
  for (int i = 0; i < 4; ++i) {
    const PackOptions::Channel& given = options.channels[i];
    ChannelDescription& channel = d.channels[i];
    channel.source = i < 2 ? ChannelSource::kInput : ChannelSource::kNone;
    if (!given.picture.empty()) {
      std::string error;
      if (!ReadChannelPicture(given.picture, channel, error)) {
        result.messages.push_back(error);
        return false;
      }
      channel.clamp = given.clamp;
      channel.nearest = given.nearest;
    }
    const bool fed = channel.source == ChannelSource::kPicture ||
                     (channel.source == ChannelSource::kInput && pluginType == FF_EFFECT);
    if (source.usesChannel[i] && !fed) {
      const std::string name = "iChannel" + std::to_string(i);
      result.messages.push_back(source.shownPath + ": warning: " + name +
                                " is given no picture (--channel" + std::to_string(i) +
                                " FILE.png)" + (i < 2 && pluginType != FF_EFFECT ? " and the source takes no input" : "") +
                                "; it draws black");
    }
  }
  return true;
}

PluginDescription Describe(const ShaderSource& source, const PackOptions& options,
                           const std::string& shaderPath, PackResult& result) {
  PluginDescription d;
  const std::string fileName = PathText(Utf8Path(shaderPath).filename());
  for (std::size_t i = 0; i < 4; ++i) d.uniqueId[i] = result.id[i];
  d.name = result.name;
  d.pluginType = options.typeGiven ? options.type : SamplesInput(source, options) ? FF_EFFECT : FF_SOURCE;
  result.type = d.pluginType == FF_EFFECT ? "effect" : "source";
  d.versionMajor = options.versionMajor;
  d.versionMinor = options.versionMinor;
  const std::string version =
      std::to_string(options.versionMajor) + "." + std::to_string(options.versionMinor);
  d.description = !options.description.empty() ? options.description
                                               : d.name + ": the fragment shader " + fileName;
  d.about = !options.about.empty()
                ? options.about
                : d.name + " " + version + ": a FreeFrame GL plugin made from " + fileName;
  d.minimumInputs = d.pluginType == FF_EFFECT ? 1 : 0;
  d.maximumInputs = 2;
  const char* names[3] = {"Speed", "Mouse X", "Mouse Y"};
  const ParameterFeed feeds[3] = {ParameterFeed::kClockSpeed, ParameterFeed::kMouseX,
                                  ParameterFeed::kMouseY};
  for (std::size_t i = 0; i < 3; ++i) {
    ParameterDescription p;
    p.name = i < options.parameters.size() ? options.parameters[i].first : names[i];
    p.defaultValue = p.initialValue = i < options.parameters.size() ? options.parameters[i].second
                                                                     : 0.5f;
    p.feed = feeds[i];
    d.parameters.push_back(p);
  }
  if (source.usesMouse) {
    ParameterDescription button;
    button.name = "Mouse Button";
    button.type = FF_TYPE_BOOLEAN;
    button.feed = ParameterFeed::kMouseButton;
    d.parameters.push_back(button);
  }
  d.fragmentText = source.carried;
  d.reportRejectedProgram = true;
  d.siteConventions = true;
  d.hostTime = true;
  d.opaque = source.options.opaque;
  d.versionLine = source.options.versionLine;
  return d;
}

// An ISF shader's plugin: its type, inputs and parameters from its header.
void DescribeIsf(const ShaderSource& source, const IsfShader& isf, const PackOptions& options,
                 PluginDescription& d, PackResult& result) {
  d.pluginType = isf.plugin.pluginType;
  result.type = d.pluginType == FF_EFFECT ? "effect" : "source";
  d.minimumInputs = d.maximumInputs = isf.plugin.inputs;
  d.parameters = isf.plugin.parameters;
  d.uniforms = isf.plugin.uniforms;
  d.vertexText = source.vertexPrepared;
  d.buffers = isf.plugin.buffers;
  d.passes = isf.plugin.passes;
  d.pictures = isf.plugin.pictures;
  // An ISF program declares and is fed its own uniforms: none of the
  // sites' conventions, its alpha kept, its inputs the only pictures.
  d.siteConventions = false;
  d.hostTime = false;
  d.opaque = false;
  d.versionLine.clear();
  for (int i = 0; i < 4; ++i) {
    d.channels[i] = ChannelDescription{};
    d.channels[i].source = i < 2 ? ChannelSource::kInput : ChannelSource::kNone;
  }
  const auto text = [&isf](const char* key) {
    const auto it = isf.header.object.find(key);
    return it != isf.header.object.end() && it->is_string()
               ? it->get<std::string>().substr(0, description_format::kMaximumTextLength / 2)
               : std::string();
  };
  if (options.description.empty() && !text("DESCRIPTION").empty()) {
    d.description = d.name + ": " + text("DESCRIPTION");
  }
  if (options.about.empty() && !text("CREDIT").empty()) {
    const std::string credit = text("CREDIT");
    d.about += " (ISF; " + (credit.rfind("by ", 0) == 0 ? credit : "by " + credit) + ")";
  }
}

}  // namespace

PackedShader PackInMemory(const std::string& shaderPath, const PackOptions& options,
                          const std::string& id) {
  PackedShader packedShader;
  PackResult& result = packedShader.result;
  packedShader.sources.push_back(shaderPath);
  result.name = !options.name.empty() ? options.name : DefaultPluginName(shaderPath);
  result.id = !id.empty() ? id : !options.id.empty() ? options.id : DefaultPluginId(result.name);

  ShaderSource source;
  std::string error;
  if (!LoadShaderSource(shaderPath, source, error)) {
    result.messages.push_back(error);
    return packedShader;
  }
  IsfShader isf;
  const bool isIsf = IsIsfText(source.text);
  if (isIsf && !TranslateIsf(shaderPath, source, isf, error)) {
    result.messages.push_back(error);
    return packedShader;
  }
  if (isIsf && !options.parameters.empty()) {
    result.messages.push_back(shaderPath +
                              ": error: --parameter does not apply to an ISF shader; its "
                              "INPUTS are the plugin's parameters");
    return packedShader;
  }
  if (!isIsf) {
    const FFUInt32 pluginType =
        options.typeGiven ? options.type : SamplesInput(source, options) ? FF_EFFECT : FF_SOURCE;
    source.options.opaque = pluginType == FF_SOURCE && !options.keepAlpha;
  }
  const ShaderCheck check = CheckShader(source);
  if (check.checked && !check.passed) {
    result.messages = check.messages;
    return packedShader;
  }
  if (!check.checked) {
    result.messages.push_back(shaderPath + ": warning: not checked (" + check.reason +
                              "); the plugin reports a rejected program when a host loads it");
  }

  PluginDescription description = Describe(source, options, shaderPath, result);
  if (isIsf) {
    DescribeIsf(source, isf, options, description, result);
  } else if (!DescribeChannels(source, options, description.pluginType, description, result)) {
    return packedShader;
  }
  description.timePasses = options.timePasses && description.CompleteProgram();
  if (!PackDescription(description, packedShader.packed, error)) {
    result.messages.push_back(shaderPath + ": error: " + error);
    return packedShader;
  }
  for (int i = 0; i < 4; ++i) {
    if (!isIsf && !options.channels[i].picture.empty()) {
      packedShader.sources.push_back(options.channels[i].picture);
    }
  }
  if (isIsf) {
    packedShader.sources.insert(packedShader.sources.end(), isf.plugin.pictureFiles.begin(),
                                isf.plugin.pictureFiles.end());
  }
  if (!source.vertexShownPath.empty() && source.vertexShownPath != shaderPath) {
    packedShader.sources.push_back(source.vertexShownPath);
  }
  result.ok = true;
  return packedShader;
}

PackResult PackShader(const std::string& shaderPath, const PackOptions& options,
                      const std::string& id) {
  PackedShader packedShader = PackInMemory(shaderPath, options, id);
  PackResult& result = packedShader.result;
  if (!result.ok) return result;
  result.ok = false;
  std::string error;

  // Every template is found before anything is written.
  std::vector<std::string> targets = options.targets;
  if (targets.empty()) targets.assign(std::begin(kPackTargets), std::end(kPackTargets));
  std::vector<std::string> templates;
  for (const std::string& target : targets) {
    templates.push_back(FindTemplate(target, options.templateDirs, error));
    if (templates.back().empty()) {
      result.messages.push_back("ffgl-pack: " + error);
      return result;
    }
  }
  const std::string folder = !options.outputDir.empty()
                                 ? options.outputDir
                                 : PathText(Utf8Path(shaderPath).parent_path());
  const std::string stem = !options.fileStem.empty() ? options.fileStem : DefaultFileStem(shaderPath);
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const std::string destination =
        PathText(Utf8Path(folder.empty() ? "." : folder) / targets[i] /
                 Utf8Path(stem + LibraryExtension(targets[i])));
    if (!WritePlugin(templates[i], packedShader.packed, destination, options.force, error)) {
      result.messages.push_back("ffgl-pack: " + error);
      return result;
    }
    result.written.push_back(destination);
  }
  result.ok = true;
  return result;
}
