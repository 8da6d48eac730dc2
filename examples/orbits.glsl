// Orbits: seven glowing dots circling the centre on looping paths, on a
// dark ground. Spread (Mouse X) widens the orbits; Colour (Mouse Y) turns
// the dots' hues round the colour wheel.
// Author: written for this project. Licence: MIT (see LICENSE).
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
  vec2 p = (fragCoord - 0.5 * iResolution.xy) / iResolution.y;
  vec2 controls = iMouse.xy / iResolution.xy;
  float radius = 0.08 + 0.3 * controls.x;

  vec3 light = vec3(0.0);
  for (int i = 0; i < 7; i++) {
    float f = float(i);
    float angle = iTime * (0.5 + 0.12 * f) + f * 0.9;
    vec2 centre = radius * (0.6 + 0.1 * f) * vec2(cos(angle), sin(1.3 * angle));
    vec2 d = p - centre;
    vec3 tint = 0.5 + 0.5 * cos(6.2831853 * (controls.y + f / 7.0 + vec3(0.0, 0.33, 0.67)));
    light += tint * 0.0012 / (dot(d, d) + 0.0004);
  }
  vec3 ground = vec3(0.02, 0.02, 0.05) * (1.0 - length(p));
  fragColor = vec4(ground + 1.0 - exp(-light), 1.0);
}
