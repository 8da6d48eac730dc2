/*{
  "ISFVSN": "2",
  "DESCRIPTION": "A dot circling the centre, leaving a fading trail behind it",
  "CREDIT": "Helixmorphics",
  "CATEGORIES": ["Generator"],
  "INPUTS": [
    {"NAME": "fade", "LABEL": "Fade", "TYPE": "float", "MIN": 0.8, "MAX": 0.995, "DEFAULT": 0.96},
    {"NAME": "radius", "LABEL": "Dot Size", "TYPE": "float", "MIN": 0.005, "MAX": 0.1, "DEFAULT": 0.03},
    {"NAME": "tint", "LABEL": "Colour", "TYPE": "color", "DEFAULT": [0.3, 0.8, 1.0, 1.0]}
  ],
  "PASSES": [
    {"TARGET": "trail", "PERSISTENT": true},
    {}
  ]
}*/

void main() {
  vec4 before = IMG_THIS_NORM_PIXEL(trail);
  if (PASSINDEX == 0) {
    // The trail: what it held, faded, with the dot drawn over it.
    vec2 aspect = vec2(RENDERSIZE.x / RENDERSIZE.y, 1.0);
    vec2 centre = 0.5 + 0.3 * vec2(cos(TIME * 1.3), sin(TIME * 1.7));
    float d = length((isf_FragNormCoord - centre) * aspect);
    float spot = 1.0 - smoothstep(radius * 0.6, radius, d);
    gl_FragColor = max(before * fade, vec4(tint.rgb * spot, spot));
  } else {
    gl_FragColor = vec4(before.rgb, 1.0);
  }
}
