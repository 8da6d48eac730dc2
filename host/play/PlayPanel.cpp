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

// Red, green and blue parameters in a row (and the alpha ffgl-pack puts
// after them, named as they are): how many make one colour, else 0.
std::size_t ColourRun(const std::vector<host::ParameterDescription>& parameters, std::size_t i) {
  const auto is = [&parameters](std::size_t at, FFUInt32 type) {
    return at < parameters.size() && !parameters[at].isText && parameters[at].type == type;
  };
  if (!is(i, FF_TYPE_RED) || !is(i + 1, FF_TYPE_GREEN) || !is(i + 2, FF_TYPE_BLUE)) return 0;
  const std::string& red = parameters[i].name;
  const std::string base = red.size() > 2 && red.compare(red.size() - 2, 2, " R") == 0
                               ? red.substr(0, red.size() - 2)
                               : std::string();
  const bool alpha =
      is(i + 3, FF_TYPE_STANDARD) && !base.empty() && parameters[i + 3].name == base + " A";
  return alpha ? 4 : 3;
}

// One colour control for a run of colour parameters.
void DrawColour(LivePlugin& plugin, std::size_t first, std::size_t count, const std::string& id) {
  float colour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  for (std::size_t c = 0; c < count; ++c) colour[c] = plugin.Values()[first + c].number;
  const std::string& red = plugin.Session().Description().parameters[first].name;
  const std::string label = (count == 4 ? red.substr(0, red.size() - 2) : red) + id;
  const bool changed = count == 4 ? ImGui::ColorEdit4(label.c_str(), colour)
                                  : ImGui::ColorEdit3(label.c_str(), colour);
  if (!changed) return;
  for (std::size_t c = 0; c < count; ++c) plugin.SetNumber(first + c, colour[c]);
}

// One 2-D pad for an x and a y position parameter: click or drag to place
// the point (y up, as the plugin sees it).
void DrawPoint(LivePlugin& plugin, std::size_t first, const std::string& id,
               const std::string& shown) {
  const auto& parameters = plugin.Session().Description().parameters;
  const float width = ImGui::CalcItemWidth();
  const ImVec2 size(width, width * 9.0f / 16.0f);
  const ImVec2 origin = ImGui::GetCursorScreenPos();
  ImGui::InvisibleButton(id.c_str(), size);
  if (ImGui::IsItemActive()) {
    const ImVec2 mouse = ImGui::GetIO().MousePos;
    plugin.SetNumber(first, std::clamp((mouse.x - origin.x) / size.x, 0.0f, 1.0f));
    plugin.SetNumber(first + 1, std::clamp(1.0f - (mouse.y - origin.y) / size.y, 0.0f, 1.0f));
  }
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const ImVec2 end(origin.x + size.x, origin.y + size.y);
  draw->AddRectFilled(origin, end, ImGui::GetColorU32(ImGuiCol_FrameBg));
  const ImVec2 point(origin.x + plugin.Values()[first].number * size.x,
                     origin.y + (1.0f - plugin.Values()[first + 1].number) * size.y);
  draw->AddLine(ImVec2(point.x, origin.y), ImVec2(point.x, end.y),
                ImGui::GetColorU32(ImGuiCol_Border));
  draw->AddLine(ImVec2(origin.x, point.y), ImVec2(end.x, point.y),
                ImGui::GetColorU32(ImGuiCol_Border));
  draw->AddCircleFilled(point, 4.0f, ImGui::GetColorU32(ImGuiCol_SliderGrabActive));
  ImGui::SameLine();
  ImGui::BeginGroup();
  ImGui::TextUnformatted(parameters[first].name.c_str());
  ImGui::TextUnformatted(parameters[first + 1].name.c_str());
  ImGui::TextUnformatted(shown.c_str());
  ImGui::EndGroup();
}

void DrawParameters(LivePlugin& plugin, std::vector<std::string>& labels) {
  const auto& parameters = plugin.Session().Description().parameters;
  const auto display = [&plugin](const host::ParameterDescription& p) {
    return plugin.Instance() != nullptr ? plugin.Instance()->Display(p.index) : std::string();
  };
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const host::ParameterDescription& p = parameters[i];
    const std::string id = "##" + std::to_string(i);
    const std::string label = p.name + id;
    const std::string shown = display(p);
    labels.push_back(p.name);
    if (const std::size_t run = ColourRun(parameters, i); run > 0) {
      DrawColour(plugin, i, run, id);
      for (std::size_t c = 1; c < run; ++c) labels.push_back(parameters[i + c].name);
      i += run - 1;
    } else if (p.type == FF_TYPE_XPOS && i + 1 < parameters.size() &&
               parameters[i + 1].type == FF_TYPE_YPOS && !p.isText && !parameters[i + 1].isText) {
      DrawPoint(plugin, i, id, shown + ", " + display(parameters[i + 1]));
      labels.push_back(parameters[++i].name);
    } else if (p.isText) {
      char buffer[256];
      std::snprintf(buffer, sizeof buffer, "%s", plugin.Values()[i].text.c_str());
      if (ImGui::InputText(label.c_str(), buffer, sizeof buffer)) plugin.SetText(i, buffer);
    } else if (p.type == FF_TYPE_BOOLEAN) {
      bool on = plugin.Values()[i].number >= 0.5f;
      if (ImGui::Checkbox(label.c_str(), &on)) plugin.SetNumber(i, on ? 1.0f : 0.0f);
      ImGui::SameLine();
      ImGui::TextUnformatted(shown.c_str());
    } else if (p.type == FF_TYPE_EVENT) {
      // A momentary button: the plugin sees it for the frame after.
      if (ImGui::Button(label.c_str())) plugin.SetNumber(i, 1.0f);
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
  for (int p = 0; p < times.passCount; ++p) {
    std::snprintf(caption, sizeof caption, "pass %d: %.3f ms (GPU)", p, times.pass[p][last]);
    const std::string id = "##pass" + std::to_string(p);
    ImGui::PlotLines(id.c_str(), times.pass[p], FrameTimes::kCount, times.next, caption, 0.0f,
                     std::max(1.0f, 2.0f * times.pass[p][last]), ImVec2(0, 28));
  }
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
  std::string summary = text;
  for (int p = 0; p < passCount; ++p) {
    std::snprintf(text, sizeof text, "; pass %d median %.3f ms", p,
                  static_cast<double>(Median(pass[p], filled)));
    summary += text;
  }
  return summary;
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
  ImGui::Text("ID %s, %s, API %u.%u", d.identifier.c_str(), host::PluginTypeName(d.type).c_str(),
              d.apiMajor, d.apiMinor);
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
    const bool failed =
        status.rfind("reload failed", 0) == 0 || status.rfind("not written", 0) == 0;
    if (failed) ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.45f, 0.4f, 1.0f));
    ImGui::TextWrapped("%s", status.c_str());
    if (failed) ImGui::PopStyleColor();
  }
  ImGui::End();
}

}  // namespace play
