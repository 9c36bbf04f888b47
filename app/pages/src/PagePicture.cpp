#include "PagePicture.h"

#include <algorithm>

namespace kr70::picture {

void FramePainter::setClip(int x, int y, int width, int height) {
  const int left = std::max(x, 0), top = std::max(y, 0);
  const int right = std::min(x + width, frame_.width), bottom = std::min(y + height, frame_.height);
  target_.setClip(frame_.left + left, frame_.top + top, std::max(right - left, 0), std::max(bottom - top, 0));
}

void FramePainter::fillRect(int x, int y, int width, int height, Rgb colour) {
  target_.fillRect(frame_.left + x, frame_.top + y, width, height, colour);
}

void FramePainter::drawLine(int x1, int y1, int x2, int y2) {
  target_.drawLine(frame_.left + x1, frame_.top + y1, frame_.left + x2, frame_.top + y2);
}

void FramePainter::drawText(int x, int y, std::string_view utf8, int fontHeight, Rgb colour) {
  target_.drawText(frame_.left + x, frame_.top + y, utf8, fontHeight, colour);
}

PictureLayout layoutPicture(int width, int height, size_t titleLines, int plotCount, bool sideColumn) {
  PictureLayout layout;
  const int stripHeight = titleLines == 0 ? 0 : 2 * kMargin + static_cast<int>(titleLines) * kLineHeight;
  layout.strip = {0, 0, width, stripHeight};
  // Each plot and the axis strip sit in a 1-pixel frame, kMargin apart.
  const int top = stripHeight + kMargin;
  const int bottom = height - kMargin;
  const int right = sideColumn ? width - 2 * kMargin - kSideWidth : width - kMargin;
  if (sideColumn) layout.side = {right + kMargin, top, kSideWidth, std::max(bottom - top, 0)};
  const int plotWidth = std::max(right - kMargin - 2, 0);
  plotCount = std::clamp(plotCount, 1, 2);
  const int plotSpace = bottom - top - (kAxisHeight + 2) - plotCount * (2 + kMargin);
  const int plotHeight = std::max(plotSpace / plotCount, 0);
  int y = top + 1;
  for (int i = 0; i < plotCount; ++i) {
    layout.plots[i] = {kMargin + 1, y, plotWidth, plotHeight};
    y += plotHeight + 2 + kMargin;
  }
  layout.axis = {kMargin + 1, y, plotWidth, kAxisHeight};
  return layout;
}

namespace {

void outline(Painter& painter, const plot::PlotFrame& frame) {
  const int x = frame.left - 1, y = frame.top - 1, w = frame.width + 2, h = frame.height + 2;
  painter.fillRect(x, y, w, 1, kFrameColour);
  painter.fillRect(x, y + h - 1, w, 1, kFrameColour);
  painter.fillRect(x, y, 1, h, kFrameColour);
  painter.fillRect(x + w - 1, y, 1, h, kFrameColour);
}

void drawLines(Painter& painter, const plot::PlotFrame& frame, const std::vector<std::string>& lines, int indent) {
  painter.setClip(frame.left, frame.top, frame.width, frame.height);
  for (size_t i = 0; i < lines.size(); ++i)
    painter.drawText(frame.left + indent, frame.top + kMargin + static_cast<int>(i) * kLineHeight + 2, lines[i],
                     kTextHeight, plot::kBlack);
}

}  // namespace

void drawPagePicture(Painter& painter, int width, int height, const PlotSource& plots, const PictureText& text) {
  if (width <= 0 || height <= 0) return;
  const PictureLayout layout = layoutPicture(width, height, text.title.size(), plots.plotCount, !text.side.empty());
  painter.setClip(0, 0, width, height);
  painter.fillRect(0, 0, width, height, kBackground);
  if (layout.strip.height > 0) {
    painter.fillRect(0, 0, width, layout.strip.height, kStripBackground);
    painter.fillRect(0, layout.strip.height - 1, width, 1, kFrameColour);
    drawLines(painter, layout.strip, text.title, kMargin + 2);
  }
  auto drawFrame = [&](const plot::PlotFrame& frame, const auto& paint) {
    if (frame.width <= 0 || frame.height <= 0) return;
    painter.setClip(0, 0, width, height);
    outline(painter, frame);
    FramePainter inside(painter, frame);
    paint(inside, frame.width, frame.height);
  };
  for (int i = 0; i < std::clamp(plots.plotCount, 1, 2); ++i)
    drawFrame(layout.plots[i], [&](Painter& p, int w, int h) {
      if (plots.paintPlot) plots.paintPlot(i, p, w, h);
    });
  drawFrame(layout.axis, [&](Painter& p, int w, int h) {
    if (plots.paintAxis) plots.paintAxis(p, w, h);
  });
  if (!text.side.empty() && layout.side.width > 0 && layout.side.height > 0) {
    painter.setClip(0, 0, width, height);
    const plot::PlotFrame inner{layout.side.left + 1, layout.side.top + 1, layout.side.width - 2,
                                layout.side.height - 2};
    outline(painter, inner);
    painter.fillRect(inner.left, inner.top, inner.width, inner.height, plot::kWhite);
    drawLines(painter, inner, text.side, kMargin);
  }
  painter.setClip(0, 0, width, height);
}

template <typename Page>
PlotSource plotsOfPage(const Page& page, int plotCount) {
  PlotSource source;
  source.paintPlot = [&page](int plot, Painter& p, int w, int h) { page.paintPlot(plot, p, w, h); };
  source.paintAxis = [&page](Painter& p, int w, int h) { page.paintAxis(p, w, h); };
  source.plotCount = plotCount;
  return source;
}

PlotSource plotsOf(const WaveformPage& page) { return plotsOfPage(page, 2); }
PlotSource plotsOf(const SpectrumPage& page) { return plotsOfPage(page, 2); }
// The peak-emphasis plot stays empty and hidden in the window, so here too.
PlotSource plotsOf(const AbnormalPage& page) { return plotsOfPage(page, 1); }

const char* pageFileName(PageKind kind) {
  switch (kind) {
    case PageKind::Waveform: return "waveform";
    case PageKind::Spectrum: return "spectrum";
    default: return "abnormal";
  }
}

}  // namespace kr70::picture
