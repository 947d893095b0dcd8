// qvview's on-screen display: a panel of text lines at the bottom left and a thin progress bar along the
// bottom edge, drawn with GL ES 1.1 over the view's frame in the view's own framebuffer (OsdLayer draws it
// just before the frame is presented), so window screenshots show it. Main thread, with the kit's shared
// context current; it restores the GL state it changes.
#pragma once

#include <GLES/gl.h>

#include <optional>
#include <string>
#include <vector>

class Osd {
 public:
  Osd() = default;
  ~Osd();  // the shared context must be current (as it is while the window is open)
  Osd(const Osd&) = delete;
  Osd& operator=(const Osd&) = delete;

  // What is shown while visible; the text is drawn again only when it changes.
  void setLines(std::vector<std::string> lines);
  const std::vector<std::string>& lines() const { return lines_; }
  void setProgress(std::optional<double> fraction) { progress_ = fraction; }  // 0..1; nullopt: no bar
  void setVisible(bool visible) { visible_ = visible; }
  bool visible() const { return visible_; }

  // Draws over the bound framebuffer of `width` x `height` pixels, if visible.
  void draw(int width, int height);

  // The text's size in font pixels for a frame `height` pixels tall.
  static int textScale(int height) { return height >= 600 ? 3 : height >= 300 ? 2 : 1; }

 private:
  void upload(int scale);

  std::vector<std::string> lines_;
  std::optional<double> progress_;
  bool visible_ = false;
  GLuint texture_ = 0;
  int textureWidth_ = 0, textureHeight_ = 0;
  int uploadedScale_ = 0;  // 0: the texture is out of date
};

// "m:ss", or "h:mm:ss" from an hour on; negative and unknown times read "0:00".
std::string clockText(double seconds);
