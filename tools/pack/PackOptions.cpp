#include "tools/pack/PackOptions.h"

#include <cmath>
#include <cstdlib>
#include <regex>

const char* const kPackTargets[3] = {"linux-x86_64", "win32", "win64"};

const char kPackUsage[] =
    "usage: ffgl-pack SHADER|FOLDER [options]\n"
    "Makes FreeFrame GL plugins from a fragment shader, for Linux (x86-64) and\n"
    "Windows (32- and 64-bit), without a compiler: OUTDIR/linux-x86_64/NAME.so,\n"
    "OUTDIR/win32/NAME.dll and OUTDIR/win64/NAME.dll. The shader is checked\n"
    "first; one with an error writes nothing. A folder packs every .glsl, .frag\n"
    "and .fs file in it. A plugin made earlier is replaced; any other file is\n"
    "kept unless --force.\n"
    "An ISF shader (a .fs opening with its JSON header, ISF version 1 or 2) gets\n"
    "its INPUTS as parameters and its images as inputs (inputImage: an effect;\n"
    "startImage, endImage, progress: a transition); NAME.vs beside it is its\n"
    "vertex shader. Its header decides the type; --parameter does not apply.\n"
    "\n"
    "options:\n"
    "  -o, --output OUTDIR     where to write (default: the shader's folder)\n"
    "  --name NAME             plugin name, 1 to 16 printable characters\n"
    "                          (default: from the file name)\n"
    "  --id ID                 plugin identifier, exactly 4 printable characters\n"
    "                          (default: from the name, shown in the output)\n"
    "  --type source|effect    a source draws alone; an effect takes an input\n"
    "                          (default: effect when the shader samples iChannel0/1)\n"
    "  --version MAJOR.MINOR   the plugin's version (default 1.0)\n"
    "  --description TEXT      the description hosts show\n"
    "  --about TEXT            the about text hosts show\n"
    "  --parameter NAME[=DEFAULT]\n"
    "                          names the next of the three parameters (the clock's\n"
    "                          speed, mouse x, mouse y; default values 0.5 in 0..1)\n"
"  --channelN PICTURE.png  packs a picture for iChannelN (N from 0 to 3), repeated\n"
    "                          and mipmapped; without one iChannel0/1 are the\n"
    "                          video inputs and iChannel2/3 draw black\n"
    "  --channelN-clamp        clamps the picture at its edges instead\n"
    "  --channelN-nearest      samples its nearest texel, without mipmaps\n"
    "  --keep-alpha            a source keeps its shader's alpha (default: opaque)\n"
    "  --file-name STEM        the plugins' file name (default: the shader's)\n"
    "  --target TARGET         linux-x86_64, win32 or win64; repeat for more\n"
    "                          (default: all three)\n"
    "  --templates DIR         where the templates are (TARGET/HelixShaderTemplate.*);\n"
    "                          repeat for more (default: templates/ beside ffgl-pack)\n"
    "  --force                 replace output files ffgl-pack did not make\n"
    "  -q, --quiet             print errors only\n"
    "  -h, --help              this text\n"
    "  --version-info          ffgl-pack's version\n"
    "exit status: 0 written, 1 a shader or an output failed, 2 usage\n";

namespace {

bool Printable(const std::string& text) {
  for (const char c : text) {
    if (c < ' ' || c > '~') return false;
  }
  return true;
}

bool ParseNumber(const std::string& text, float& value) {
  if (!std::regex_match(text, std::regex(R"([-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?)"))) {
    return false;
  }
  value = std::strtof(text.c_str(), nullptr);
  return std::isfinite(value);
}

bool Fail(std::string& error, const std::string& text) {
  error = text;
  return false;
}

}  // namespace

bool ParsePackOptions(const std::vector<std::string>& args, PackOptions& o, std::string& action,
                      std::string& error) {
  o.dropped = args.size() == 1 && !args[0].empty() && args[0][0] != '-';
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return Fail(error, arg + " needs a value");
      out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "-h" || arg == "--help") {
      action = "help";
      return true;
    } else if (arg == "--version-info") {
      action = "version";
      return true;
    } else if (arg == "-o" || arg == "--output") {
      if (!value(o.outputDir)) return false;
    } else if (arg == "--name") {
      if (!value(o.name)) return false;
      if (o.name.empty() || o.name.size() > 16 || !Printable(o.name)) {
        return Fail(error, "--name '" + o.name + "' must be 1 to 16 printable ASCII characters");
      }
    } else if (arg == "--id") {
      if (!value(o.id)) return false;
      if (o.id.size() != 4 || !Printable(o.id)) {
        return Fail(error, "--id '" + o.id + "' must be exactly 4 printable ASCII characters");
      }
    } else if (arg == "--type") {
      if (!value(text)) return false;
      if (text != "source" && text != "effect") {
        return Fail(error, "--type '" + text + "' must be source or effect");
      }
      o.typeGiven = true;
      o.type = text == "source" ? FF_SOURCE : FF_EFFECT;
    } else if (arg == "--version") {
      if (!value(text)) return false;
      std::smatch m;
      if (!std::regex_match(text, m, std::regex(R"(([0-9]{1,4})\.([0-9]{1,4}))"))) {
        return Fail(error, "--version '" + text +
                               "' must be MAJOR.MINOR, each a number from 0 to 9999");
      }
      o.versionMajor = static_cast<FFUInt32>(std::stoul(m[1]));
      o.versionMinor = static_cast<FFUInt32>(std::stoul(m[2]));
    } else if (arg == "--description") {
      if (!value(o.description)) return false;
    } else if (arg == "--about") {
      if (!value(o.about)) return false;
    } else if (arg == "--parameter") {
      if (!value(text)) return false;
      const std::size_t equals = text.find('=');
      const std::string name = text.substr(0, equals);
      float chosen = 0.5f;
      if (name.empty() || name.size() > 16 || !Printable(name)) {
        return Fail(error, "--parameter name '" + name +
                               "' must be 1 to 16 printable ASCII characters");
      }
      if (equals != std::string::npos && !ParseNumber(text.substr(equals + 1), chosen)) {
        return Fail(error, "--parameter '" + text + "': the default must be a number");
      }
      if (o.parameters.size() == 3) {
        return Fail(error, "--parameter names at most three parameters (speed, mouse x, mouse y)");
      }
      o.parameters.emplace_back(name, std::fmin(std::fmax(chosen, 0.0f), 1.0f));
    } else if (arg == "--file-name") {
      if (!value(o.fileStem)) return false;
      if (o.fileStem.empty() || o.fileStem.find_first_of("/\\:*?\"<>|") != std::string::npos) {
        return Fail(error, "--file-name '" + o.fileStem + "' is not a usable file name");
      }
    } else if (arg == "--target") {
      if (!value(text)) return false;
      bool known = false;
      for (const char* target : kPackTargets) known = known || text == target;
      if (!known) return Fail(error, "--target '" + text + "' must be linux-x86_64, win32 or win64");
      o.targets.push_back(text);
    } else if (arg == "--templates") {
      if (!value(text)) return false;
      o.templateDirs.push_back(text);
    } else if (std::regex_match(arg, std::regex(R"(--channel[0-3](-clamp|-nearest)?)"))) {
      PackOptions::Channel& channel = o.channels[arg[9] - '0'];
      if (arg.size() == 10) {
        if (!value(channel.picture)) return false;
      } else if (arg.compare(10, 6, "-clamp") == 0) {
        channel.clamp = true;
      } else {
        channel.nearest = true;
      }
    } else if (arg == "--keep-alpha") {
      o.keepAlpha = true;
    } else if (arg == "--force") {
      o.force = true;
    } else if (arg == "-q" || arg == "--quiet") {
      o.quiet = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return Fail(error, "unknown option " + arg);
    } else if (o.input.empty()) {
      o.input = arg;
    } else {
      return Fail(error, "one SHADER or FOLDER at a time ('" + o.input + "', then '" + arg + "')");
    }
  }
  if (o.input.empty()) return Fail(error, "no SHADER or FOLDER given");
  return true;
}
