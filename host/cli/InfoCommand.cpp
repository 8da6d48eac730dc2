// info: what a host learns about a plugin before using it, as an aligned
// table for people or JSON for machines.
#include <cstdio>
#include <string>
#include <vector>

#include "host/cli/Arguments.h"
#include "host/cli/Commands.h"
#include "host/cli/HeadlessHost.h"
#include "host/cli/TextTable.h"
#include "host/loader/TypeNames.h"

namespace cli {

const char kInfoUsage[] =
    "Usage: ffgl-host info PLUGIN [--json] [--watchdog SECONDS]\n"
    "Prints the plugin's information and extended records, every parameter (index, name,\n"
    "type, default, display text on a fresh instance), its capabilities and input status.\n"
    "The plugin runs in a child process; what it prints is left out of the output.\n"
    "  --json                one JSON object instead of tables\n"
    "  --watchdog SECONDS    a plugin call that takes longer has hung (default 20; 0: no\n"
    "                        limit)\n"
    "  --in-process          run the plugin in this process: a crash, exit or hang ends\n"
    "                        the run with one message instead\n";

namespace {

struct InputStatus {
  FFUInt32 input;
  FFWord status;
};

std::string StatusText(FFWord status) {
  if (host::IsFail(status)) return "refused";
  if (status == 0) return "not in use";
  if (status == 1) return "in use";
  return std::to_string(status);
}

std::string DefaultText(const host::ParameterDescription& p) {
  return p.isText ? p.defaultText : FormatNumber(p.defaultValue);
}

void PrintTables(const host::PluginDescription& d, const std::vector<std::string>& displays,
                 const std::vector<InputStatus>& inputs) {
  TextTable record;
  record.Add({"Name", d.name});
  record.Add({"Identifier", d.identifier});
  record.Add({"API version", std::to_string(d.apiMajor) + "." + std::to_string(d.apiMinor)});
  record.Add({"Type", host::PluginTypeName(d.type)});
  if (d.hasExtendedInfo) {
    record.Add({"Plugin version",
                std::to_string(d.pluginMajor) + "." + std::to_string(d.pluginMinor)});
    record.Add({"Description", d.description});
    record.Add({"About", d.about});
  } else {
    record.Add({"Extended info", "none"});
  }
  std::fputs(record.Render().c_str(), stdout);

  std::printf("\nParameters (%zu)\n", d.parameters.size());
  TextTable parameters;
  parameters.Add({"Index", "Name", "Type", "Default", "Display"});
  for (std::size_t i = 0; i < d.parameters.size(); ++i) {
    const auto& p = d.parameters[i];
    parameters.Add({std::to_string(p.index), p.name, host::ParameterTypeName(p.type),
                    DefaultText(p), displays[i]});
  }
  std::fputs(parameters.Render("  ").c_str(), stdout);

  std::printf("\nCapabilities\n");
  TextTable caps;
  caps.Add({"OpenGL processing", d.processesOpenGL ? "yes" : "no"});
  caps.Add({"Host time", d.supportsHostTime ? "yes" : "no"});
  caps.Add({"Minimum inputs", std::to_string(d.minimumInputs)});
  caps.Add({"Maximum inputs", std::to_string(d.maximumInputs)});
  std::fputs(caps.Render("  ").c_str(), stdout);

  std::printf("\nInput status (fresh instance)\n");
  TextTable status;
  for (const auto& input : inputs) {
    status.Add({"Input " + std::to_string(input.input), StatusText(input.status)});
  }
  if (inputs.empty()) status.Add({"(no inputs)"});
  std::fputs(status.Render("  ").c_str(), stdout);
}

void PrintJson(const host::PluginDescription& d, const std::vector<std::string>& displays,
               const std::vector<InputStatus>& inputs) {
  std::string out = "{\n";
  out += "  \"name\": " + JsonString(d.name) + ",\n";
  out += "  \"identifier\": " + JsonString(d.identifier) + ",\n";
  out += "  \"apiVersion\": " + JsonString(std::to_string(d.apiMajor) + "." +
                                           std::to_string(d.apiMinor)) + ",\n";
  out += "  \"type\": " + JsonString(host::PluginTypeName(d.type)) + ",\n";
  if (d.hasExtendedInfo) {
    out += "  \"pluginVersion\": " +
           JsonString(std::to_string(d.pluginMajor) + "." + std::to_string(d.pluginMinor)) +
           ",\n";
    out += "  \"description\": " + JsonString(d.description) + ",\n";
    out += "  \"about\": " + JsonString(d.about) + ",\n";
  }
  out += "  \"parameters\": [";
  for (std::size_t i = 0; i < d.parameters.size(); ++i) {
    const auto& p = d.parameters[i];
    out += i == 0 ? "\n" : ",\n";
    out += "    {\"index\": " + std::to_string(p.index) + ", \"name\": " + JsonString(p.name) +
           ", \"type\": " + JsonString(host::ParameterTypeName(p.type)) + ", \"default\": " +
           (p.isText ? JsonString(p.defaultText) : JsonNumber(p.defaultValue)) +
           ", \"display\": " + JsonString(displays[i]) + "}";
  }
  out += d.parameters.empty() ? "],\n" : "\n  ],\n";
  out += "  \"capabilities\": {\"processOpenGL\": " +
         std::string(d.processesOpenGL ? "true" : "false") +
         ", \"hostTime\": " + (d.supportsHostTime ? "true" : "false") +
         ", \"minimumInputs\": " + std::to_string(d.minimumInputs) +
         ", \"maximumInputs\": " + std::to_string(d.maximumInputs) + "},\n";
  out += "  \"inputStatus\": [";
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    out += (i == 0 ? "" : ", ") + JsonString(StatusText(inputs[i].status));
  }
  out += "]\n}\n";
  std::fputs(out.c_str(), stdout);
}

}  // namespace

int RunInfo(const std::vector<std::string>& words) {
  Arguments arguments(words);
  const bool json = arguments.TakeFlag("--json");
  std::string plugin;
  std::string error;
  if (!arguments.TakePlugin(plugin, error)) return UsageError("info", error);

  HeadlessHost host;
  if (!host.Start(plugin, error)) return Fail(error);
  const host::PluginDescription& d = host.session->Description();

  // Display texts and input status belong to an instance: a fresh one.
  auto instance = host::PluginInstance::Create(host.session->Library(), 1280, 720, error);
  if (instance == nullptr) return Fail(error);
  std::vector<std::string> displays;
  for (const auto& p : d.parameters) displays.push_back(instance->Display(p.index));
  std::vector<InputStatus> inputs;
  // Input counts beyond this are not real capabilities; list a sane number.
  for (FFUInt32 i = 0; i < d.maximumInputs && i < 16; ++i) {
    inputs.push_back({i, host.session->Library().Call(FF_GETINPUTSTATUS, i, instance->Id())});
  }
  instance.reset();

  if (json) {
    PrintJson(d, displays, inputs);
  } else {
    PrintTables(d, displays, inputs);
  }
  return 0;
}

}  // namespace cli
