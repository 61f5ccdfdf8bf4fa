#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/canvas.h"

namespace vantrel::controls {

// A panel painted with a colour gradient in 128 bands, optionally mirrored in its second half.
class TTvShader {
  public:
    static constexpr int kBands = 128;

    Color FromColor = colors::kBlue;
    Color ToColor = colors::kBlack;
    Color FromColorMirror = colors::kNone;
    Color ToColorMirror = colors::kNone;
    bool Direction = false;  // true: left to right; false: top to bottom
    uint16_t Steps = 20;     // stored only
    std::wstring Caption;
    unsigned Alignment = kTextCenter;
    Font CaptionFont;
    Color CaptionColor = colors::kBlack;

    const std::wstring& Version() const { return version_; }
    void setVersion(const std::wstring&) {}  // read-only

    struct Band {
        Rect rect;
        Color color;
    };
    // The bands that cover a client rectangle of the given size, in painting order.
    std::vector<Band> bands(int width, int height) const;
    void paint(Canvas& canvas) const;

  private:
    std::wstring version_ = L"1.4.0.0";
};

enum class THeaderStyle { hsNone, hsDarkBlue, hsLightBlue, hsSilverGreen };
enum class THeaderBackgroundStyle { hbsNone, hbsStripes1, hbsStripes2, hbsLines, hbsCurves, hbsWaves };
enum class THeaderTexture {
    htNone,
    htGeometric,
    htGrain,
    htGrid,
    htGrid2,
    htGrid3,
    htLines,
    htStripes,
    htPaper,
    htSquare,
    htDot,
    htMetal
};
enum class THeaderSeparator { hspNone, hspShadow };

// The program's resource names (type "TV_PICTURES"); empty for a "none" value.
const wchar_t* pictureName(THeaderStyle v);
const wchar_t* pictureName(THeaderBackgroundStyle v);
const wchar_t* pictureName(THeaderTexture v);
const wchar_t* pictureName(THeaderSeparator v);

// Loads a picture by resource name; null when there is none.
class PictureSource {
  public:
    virtual ~PictureSource() = default;
    virtual std::shared_ptr<Picture> load(const wchar_t* name) = 0;
};

// A banner panel assembled from pictures. Setters load the matching picture; they return true
// (repaint).
class TTvHeader {
  public:
    static constexpr int kSeparatorOffset = 100;

    explicit TTvHeader(PictureSource& source);

    THeaderStyle Style() const { return style_; }
    bool setStyle(THeaderStyle v);
    THeaderBackgroundStyle BackgroundStyle() const { return background_; }
    bool setBackgroundStyle(THeaderBackgroundStyle v);
    THeaderTexture HeaderTexture() const { return texture_; }
    bool setHeaderTexture(THeaderTexture v);
    THeaderSeparator HeaderSeparator() const { return separator_; }
    bool setHeaderSeparator(THeaderSeparator v);

    const Picture* stylePicture() const { return stylePic_.get(); }
    const Picture* backgroundPicture() const { return backgroundPic_.get(); }
    const Picture* texturePicture() const { return texturePic_.get(); }
    const Picture* separatorPicture() const { return separatorPic_.get(); }

    // Without a style picture the panel shows the button face with the other layers over it.
    void paint(Canvas& canvas) const;

  private:
    PictureSource& source_;
    THeaderStyle style_ = THeaderStyle::hsDarkBlue;
    THeaderBackgroundStyle background_ = THeaderBackgroundStyle::hbsStripes1;
    THeaderTexture texture_ = THeaderTexture::htNone;
    THeaderSeparator separator_ = THeaderSeparator::hspShadow;
    std::shared_ptr<Picture> stylePic_;
    std::shared_ptr<Picture> backgroundPic_;
    std::shared_ptr<Picture> texturePic_;
    std::shared_ptr<Picture> separatorPic_;
};

// What the marquee bar sends to the system progress bar.
class ProgressBarDriver {
  public:
    virtual ~ProgressBarDriver() = default;
    virtual void setRange(int min, int max, bool extended) = 0;
    virtual void setPosition(int pos) = 0;
    virtual void setStep(int step) = 0;
    virtual void startTimer(int ms) = 0;
    virtual void stopTimer() = 0;
};

// A marquee progress bar around the system control. Refused values throw std::invalid_argument
// with the toolkit's messages.
class TDProgressBar {
  public:
    // extendedRange: whether the 32-bit range message is available (decided once at creation).
    TDProgressBar(ProgressBarDriver& driver, bool extendedRange);

    int Min() const { return min_; }
    void setMin(int v);
    int Max() const { return max_; }
    void setMax(int v);
    int Position() const { return position_; }
    void setPosition(int v);
    int Step() const { return step_; }
    void setStep(int v);
    int Speed() const { return speed_; }
    void setSpeed(int ms);
    bool Animate() const { return animate_; }
    void setAnimate(bool v);
    // One timer tick while animating: position 100 advances the marquee.
    void tick();

  private:
    void sendRange(int min, int max);

    ProgressBarDriver& driver_;
    bool extended_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 100;
    int speed_ = 50;
    bool animate_ = false;
};

}  // namespace vantrel::controls
