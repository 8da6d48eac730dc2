/*{
  "ISFVSN": "2",
  "DESCRIPTION": "Tints the input picture and darkens it away from a centre",
  "CREDIT": "Helixmorphics",
  "CATEGORIES": ["Color Effect"],
  "INPUTS": [
    {"NAME": "inputImage", "TYPE": "image"},
    {"NAME": "amount", "LABEL": "Darkening", "TYPE": "float", "MIN": 0.0, "MAX": 2.0, "DEFAULT": 0.8},
    {"NAME": "tint", "LABEL": "Tint", "TYPE": "color", "DEFAULT": [1.0, 0.9, 0.8, 1.0]},
    {"NAME": "centre", "LABEL": "Centre", "TYPE": "point2D", "MIN": [0.0, 0.0], "MAX": [1.0, 1.0], "DEFAULT": [0.5, 0.5]},
    {"NAME": "shape", "LABEL": "Shape", "TYPE": "long", "VALUES": [0, 1], "LABELS": ["Round", "Square"], "DEFAULT": 0}
  ]
}*/
void main() {
  vec2 d = abs(isf_FragNormCoord - centre) * vec2(RENDERSIZE.x / RENDERSIZE.y, 1.0);
  float r = shape == 0 ? length(d) : max(d.x, d.y);
  vec4 colour = IMG_THIS_PIXEL(inputImage) * tint;
  gl_FragColor = vec4(colour.rgb * clamp(1.0 - amount * r * r, 0.0, 1.0), colour.a);
}
