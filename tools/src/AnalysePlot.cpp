#include "AnalysePlot.h"

#include "AnalysisState.h"
#include "PictureRender.h"

#include <QGuiApplication>
#include <charconv>
#include <filesystem>

namespace kr70 {

bool ParsePlotSize(const std::string& text, int& width, int& height) {
    const size_t x = text.find('x');
    if (x == std::string::npos) {
        return false;
    }
    auto number = [](std::string_view digits, int& value) {
        const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return !digits.empty() && result.ec == std::errc() && result.ptr == digits.data() + digits.size() &&
               value >= 200 && value <= 8000;
    };
    int w = 0, h = 0;
    if (!number(std::string_view(text).substr(0, x), w) || !number(std::string_view(text).substr(x + 1), h)) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

void PicturePort::NotifyPage(PageId page, const PageNotification& notification) {
    if (pages_ != nullptr && state_ != nullptr) {
        pages_->notify(page, notification, *state_);
    }
}

PictureApplication::PictureApplication() : application_(render::ensureGuiApplication()) {}
PictureApplication::~PictureApplication() = default;

bool WritePagePictures(const AnalysisState& state, const picture::PicturePages& pages, const std::string& file,
                       const PlotOptions& options, std::set<std::string>& usedNames, std::FILE* errors) {
    const std::string base = std::filesystem::path(file).stem().string();
    std::error_code error;
    std::filesystem::path stem = std::filesystem::weakly_canonical(std::filesystem::path(options.directory) / base, error);
    if (error) {
        stem = (std::filesystem::path(options.directory) / base).lexically_normal();
    }
    if (!usedNames.insert(stem.string()).second) {
        std::fprintf(errors, "kr70-analyse: %s: pictures not written: an earlier file of this run has the name %s\n",
                     file.c_str(), base.c_str());
        return false;
    }
    const QSize size(options.width, options.height);
    const char* extension = options.svg ? ".svg" : ".png";
    bool written = true;
    for (picture::PageKind kind :
         {picture::PageKind::Waveform, picture::PageKind::Spectrum, picture::PageKind::Abnormal}) {
        const picture::PictureText text = picture::pictureText(state, kind, picture::tableText);
        const std::string target =
            (std::filesystem::path(options.directory) / (base + "." + picture::pageFileName(kind) + extension)).string();
        const bool ok = render::writePicture(
            QString::fromStdString(target), size,
            [&](Painter& painter, int width, int height) { pages.draw(kind, painter, width, height, text); },
            options.svg ? render::Format::Svg : render::Format::Png);
        if (!ok) {
            std::fprintf(errors, "kr70-analyse: %s: cannot write the picture %s\n", file.c_str(), target.c_str());
            written = false;
        }
    }
    return written;
}

}  // namespace kr70
