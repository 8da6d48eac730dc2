// Ripple: rings of waves spread from the centre and bend the input picture
// (iChannel0), lighting the crests. Strength (Mouse X) sets how far the
// picture bends; Wave count (Mouse Y) packs the rings closer.
// Author: written for this project. Licence: MIT (see LICENSE).
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
  vec2 uv = fragCoord / iResolution.xy;
  vec2 d = (uv - 0.5) * vec2(iResolution.x / iResolution.y, 1.0);
  float r = length(d);
  float strength = iMouse.x / iResolution.x;
  float waves = mix(10.0, 60.0, iMouse.y / iResolution.y);

  float wave = sin(r * waves - iTime * 4.0) * exp(-2.5 * r);
  vec2 direction = r > 0.0001 ? d / r : vec2(0.0);
  vec3 colour = texture2D(iChannel0, uv + direction * wave * strength * 0.03).rgb;
  colour *= 1.0 + 0.25 * wave * strength;
  fragColor = vec4(colour, 1.0);
}
