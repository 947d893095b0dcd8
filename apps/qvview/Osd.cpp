#include "apps/qvview/Osd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "apps/qvview/BitmapFont.h"

namespace {

constexpr uint8_t kPanelAlpha = 170;
constexpr int kGlyphHeight = 7, kLineGap = 3, kPadding = 4;  // font pixels

void drawQuad(float x0, float y0, float x1, float y1, bool textured) {
  const GLfloat quad[] = {x0, y0, x1, y0, x0, y1, x1, y1};
  // The canvas's top row is its first: texture row 0 goes to the top of the quad.
  static const GLfloat kTexCoords[] = {0, 1, 1, 1, 0, 0, 1, 0};
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, 0, quad);
  if (textured) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, kTexCoords);
  }
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  glDisableClientState(GL_VERTEX_ARRAY);
  if (textured) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace

Osd::~Osd() {
  if (texture_) glDeleteTextures(1, &texture_);
}

void Osd::setLines(std::vector<std::string> lines) {
  if (lines == lines_) return;
  lines_ = std::move(lines);
  uploadedScale_ = 0;
}

void Osd::upload(int scale) {
  int columns = 0;
  for (const auto& line : lines_) columns = std::max(columns, textWidth(line, 1));
  const int rows = int(lines_.size()) * (kGlyphHeight + kLineGap) - kLineGap;
  Canvas canvas((columns + 2 * kPadding) * scale, (rows + 2 * kPadding) * scale);
  for (size_t p = 3; p < canvas.rgba.size(); p += 4) canvas.rgba[p] = kPanelAlpha;
  for (size_t i = 0; i < lines_.size(); ++i)
    drawText(canvas, lines_[i], kPadding * scale, (kPadding + int(i) * (kGlyphHeight + kLineGap)) * scale,
             scale, 0xFFFFFF);
  if (!texture_) glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, canvas.width, canvas.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               canvas.rgba.data());
  textureWidth_ = canvas.width;
  textureHeight_ = canvas.height;
  uploadedScale_ = scale;
}

void Osd::draw(int width, int height) {
  if (!visible_ || width <= 0 || height <= 0 || (lines_.empty() && !progress_)) return;
  GLint viewport[4], boundTexture = 0, blendSource = 0, blendDestination = 0, environment = 0;
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
  glGetIntegerv(GL_BLEND_SRC, &blendSource);
  glGetIntegerv(GL_BLEND_DST, &blendDestination);
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &environment);
  const GLboolean texturing = glIsEnabled(GL_TEXTURE_2D), depth = glIsEnabled(GL_DEPTH_TEST),
                  blend = glIsEnabled(GL_BLEND), culling = glIsEnabled(GL_CULL_FACE),
                  lighting = glIsEnabled(GL_LIGHTING);
  glViewport(0, 0, width, height);
  for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW, GL_TEXTURE}) {
    glMatrixMode(mode);
    glPushMatrix();
    glLoadIdentity();
  }
  glMatrixMode(GL_PROJECTION);
  glOrthof(0, GLfloat(width), 0, GLfloat(height), -1, 1);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

  const int scale = textScale(height);
  const int bar = progress_ ? std::max(3, height / 120) : 0;
  if (progress_) {
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 0, 0, 0.6f);
    drawQuad(0, 0, GLfloat(width), GLfloat(bar), false);
    glColor4f(1.0f, 0.55f, 0.1f, 1);
    drawQuad(0, 0, GLfloat(width * std::clamp(*progress_, 0.0, 1.0)), GLfloat(bar), false);
  }
  if (!lines_.empty()) {
    if (uploadedScale_ != scale) upload(scale);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glColor4f(1, 1, 1, 1);
    const GLfloat x = GLfloat(2 * scale), y = GLfloat(bar + 2 * scale);
    drawQuad(x, y, x + GLfloat(textureWidth_), y + GLfloat(textureHeight_), true);
  }

  glColor4f(1, 1, 1, 1);
  for (GLenum mode : {GL_TEXTURE, GL_MODELVIEW, GL_PROJECTION}) {
    glMatrixMode(mode);
    glPopMatrix();
  }
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, environment);
  glBlendFunc(GLenum(blendSource), GLenum(blendDestination));
  if (!blend) glDisable(GL_BLEND);
  if (depth) glEnable(GL_DEPTH_TEST);
  if (culling) glEnable(GL_CULL_FACE);
  if (lighting) glEnable(GL_LIGHTING);
  if (texturing) {
    glEnable(GL_TEXTURE_2D);
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  glBindTexture(GL_TEXTURE_2D, GLuint(boundTexture));
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

std::string clockText(double seconds) {
  const long total = std::isfinite(seconds) && seconds > 0 ? long(seconds) : 0;
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}
