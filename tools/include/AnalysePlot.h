// kr70-analyse --plot: pictures of the waveform, spectrum and abnormal-sound
// pages of each analysed file, drawn by the window's own page logic and
// plotting core (PagePicture.h) into PNG or SVG files.
#ifndef KR70_TOOLS_ANALYSEPLOT_H
#define KR70_TOOLS_ANALYSEPLOT_H

#include "ConsolePort.h"
#include "PagePicture.h"

#include <memory>
#include <set>
#include <string>

class QGuiApplication;

namespace kr70 {

struct PlotOptions {
    std::string directory;
    bool svg = false;
    int width = 1000, height = 750;
};

// Reads "WIDTHxHEIGHT" (each 200 … 8000); false for anything else.
bool ParsePlotSize(const std::string& text, int& width, int& height);

// The console port that also hands the state's page notifications to the
// picture pages, as the window's port hands them to its page widgets.
class PicturePort : public ConsolePort {
public:
    using ConsolePort::ConsolePort;
    void Attach(picture::PicturePages* pages, const AnalysisState* state) {
        pages_ = pages;
        state_ = state;
    }
    void NotifyPage(PageId page, const PageNotification& notification) override;

private:
    picture::PicturePages* pages_ = nullptr;
    const AnalysisState* state_ = nullptr;
};

// Qt's drawing needs an application object: this one lives while pictures
// are drawn (offscreen platform unless QT_QPA_PLATFORM names another).
class PictureApplication {
public:
    PictureApplication();
    ~PictureApplication();
    PictureApplication(const PictureApplication&) = delete;
    PictureApplication& operator=(const PictureApplication&) = delete;

private:
    std::unique_ptr<QGuiApplication> application_;
};

// Writes DIR/B.waveform.png, B.spectrum.png and B.abnormal.png (.svg with
// svg) for the file with base name B. A base name already written in this run
// is refused (the pictures of the earlier file stay). Reports failures on
// errors as "kr70-analyse: FILE: ..."; false when a picture was not written.
bool WritePagePictures(const AnalysisState& state, const picture::PicturePages& pages, const std::string& file,
                       const PlotOptions& options, std::set<std::string>& usedNames, std::FILE* errors);

}  // namespace kr70

#endif
