// Test Card: hue bands brightening from bottom to top, under a white grid
// of 8 by 6 cells and a dark ring at the centre; the bands drift sideways
// as the clock runs.
// Author: written for this project. Licence: MIT (see LICENSE).
uniform float time;
uniform vec2 resolution;

// A fully saturated colour for a hue from 0 to 1 (and on, repeating).
vec3 hue(float h) {
  return clamp(abs(mod(h * 6.0 + vec3(0.0, 4.0, 2.0), 6.0) - 3.0) - 1.0, 0.0, 1.0);
}

void main(void) {
  vec2 uv = gl_FragCoord.xy / resolution;
  vec3 colour = hue(uv.x + time * 0.05) * (0.35 + 0.65 * uv.y);

  // Grid lines: the distance in pixels to the nearest line, softened.
  vec2 cells = vec2(8.0, 6.0);
  vec2 toLine = (0.5 - abs(fract(uv * cells) - 0.5)) * resolution / cells;
  float line = 1.0 - smoothstep(0.5, 2.0, min(toLine.x, toLine.y));
  colour = mix(colour, vec3(1.0), 0.8 * line);

  // The centre ring, a fixed share of the height.
  vec2 p = (gl_FragCoord.xy - 0.5 * resolution) / resolution.y;
  float ring = 1.0 - smoothstep(0.0, 3.0 / resolution.y, abs(length(p) - 0.35));
  colour = mix(colour, vec3(0.05), ring);

  gl_FragColor = vec4(colour, 1.0);
}
