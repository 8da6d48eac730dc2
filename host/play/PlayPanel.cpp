#include "host/play/PlayPanel.h"

#include <imgui.h>

#include <algorithm>
#include <cstdio>

#include "host/loader/TypeNames.h"

namespace play {

namespace {

// A plugin's display text as an ImGui format: '%' stands for itself.
std::string AsFormat(const std::string& text) {
  std::string format;
  for (char c : text) format += c == '%' ? std::string("%%") : std::string(1, c);
  return format;
}

void DrawParameters(LivePlugin& plugin, std::vector<std::string>& labels) {
  const auto& parameters = plugin.Session().Description().parameters;
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const host::ParameterDescription& p = parameters[i];
    const std::string label = p.name + "##" + std::to_string(i);
    const std::string shown =
        plugin.Instance() != nullptr ? plugin.Instance()->Display(p.index) : std::string();
    labels.push_back(p.name);
    if (p.isText) {
      char buffer[256];
      std::snprintf(buffer, sizeof buffer, "%s", plugin.Values()[i].text.c_str());
      if (ImGui::InputText(label.c_str(), buffer, sizeof buffer)) plugin.SetText(i, buffer);
    } else if (p.type == FF_TYPE_BOOLEAN) {
      bool on = plugin.Values()[i].number >= 0.5f;
      if (ImGui::Checkbox(label.c_str(), &on)) plugin.SetNumber(i, on ? 1.0f : 0.0f);
      ImGui::SameLine();
      ImGui::TextUnformatted(shown.c_str());
    } else {
      float value = plugin.Values()[i].number;
      if (ImGui::SliderFloat(label.c_str(), &value, 0.0f, 1.0f, AsFormat(shown).c_str())) {
        plugin.SetNumber(i, value);
      }
    }
  }
}

void DrawTime(PlayClock& clock) {
  if (ImGui::Button(clock.playing ? "Pause" : "Play")) clock.playing = !clock.playing;
  ImGui::SameLine();
  if (ImGui::Button("Step")) clock.Step();
  ImGui::SliderFloat("speed", &clock.speed, 0.0f, 4.0f, "%.2fx");
  float seconds = static_cast<float>(clock.seconds);
  const float end = std::max(60.0f, seconds);
  if (ImGui::SliderFloat("time", &seconds, 0.0f, end, "%.3f s")) {
    clock.seconds = seconds;
  }
}

void DrawTimes(const FrameTimes& times) {
  const int last = (times.next + FrameTimes::kCount - 1) % FrameTimes::kCount;
  char caption[64];
  std::snprintf(caption, sizeof caption, "plugin %.2f ms", times.draw[last]);
  ImGui::PlotLines("##draw", times.draw, FrameTimes::kCount, times.next, caption, 0.0f, 40.0f,
                   ImVec2(0, 40));
  std::snprintf(caption, sizeof caption, "frame %.2f ms", times.whole[last]);
  ImGui::PlotLines("##whole", times.whole, FrameTimes::kCount, times.next, caption, 0.0f, 40.0f,
                   ImVec2(0, 40));
}

float Median(const float* values, int count) {
  std::vector<float> sorted(values, values + count);
  std::sort(sorted.begin(), sorted.end());
  return sorted.empty() ? 0.0f : sorted[sorted.size() / 2];
}

}  // namespace

std::string FrameTimes::Summary() const {
  char text[96];
  std::snprintf(text, sizeof text, "plugin median %.2f ms, whole frame median %.2f ms over %d",
                static_cast<double>(Median(draw, filled)),
                static_cast<double>(Median(whole, filled)), filled);
  return text;
}

void DrawPanel(LivePlugin& plugin, const std::string& renderer, const std::string& status,
               PlayClock& clock, const FrameTimes& times, float x, float width, float height,
               PanelRequests& requests, std::vector<std::string>& labels) {
  ImGui::SetNextWindowPos(ImVec2(x, 0.0f));
  ImGui::SetNextWindowSize(ImVec2(width, height));
  ImGui::Begin("plugin", nullptr,
               ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                   ImGuiWindowFlags_NoCollapse);
  const host::PluginDescription& d = plugin.Session().Description();
  ImGui::Text("%s", d.name.c_str());
  ImGui::Text("ID %s, %s, API %u.%u", d.identifier.c_str(), host::PluginTypeName(d.type).c_str(), d.apiMajor,
              d.apiMinor);
  ImGui::TextWrapped("GL: %s", renderer.c_str());
  ImGui::TextWrapped("time: %s", plugin.TimeSource());
  ImGui::Separator();
  ImGui::PushItemWidth(width * 0.55f);
  DrawParameters(plugin, labels);
  ImGui::Separator();
  DrawTime(clock);
  ImGui::PopItemWidth();
  ImGui::Separator();
  DrawTimes(times);
  if (ImGui::Button("Save frame (S)")) requests.save = true;
  if (plugin.FromShader()) {
    ImGui::SameLine();
    if (ImGui::Button("Write plugins")) requests.writePlugins = true;
  }
  if (!status.empty()) {
    // A failed reload is the message the user is waiting for: in red.
    const bool failed = status.rfind("reload failed", 0) == 0 || status.rfind("not written", 0) == 0;
    if (failed) ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.45f, 0.4f, 1.0f));
    ImGui::TextWrapped("%s", status.c_str());
    if (failed) ImGui::PopStyleColor();
  }
  ImGui::End();
}

}  // namespace play
