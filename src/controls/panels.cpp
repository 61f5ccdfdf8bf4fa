#include "controls/panels.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace vantrel::controls {

// ---- TTvShader ------------------------------------------------------------------------------

namespace {
Color bandColor(Color from, Color to, int n) {
    auto ch = [&](int a, int b) { return a + roundEven(n * double(b - a) / TTvShader::kBands); };
    return rgb(ch(redOf(from), redOf(to)), ch(greenOf(from), greenOf(to)), ch(blueOf(from), blueOf(to)));
}
}  // namespace

std::vector<TTvShader::Band> TTvShader::bands(int width, int height) const {
    std::vector<Band> out;
    const bool mirrored = FromColorMirror != colors::kNone && ToColorMirror != colors::kNone;
    const int size = Direction ? width : height;
    auto run = [&](Color from, Color to, int offset, int length) {
        for (int n = 0; n < kBands; ++n) {
            // Band edges from the same formula, so no pixel is left between two bands.
            const int start = offset + roundEven(n * double(length) / kBands);
            const int end = offset + roundEven((n + 1) * double(length) / kBands);
            if (end <= start)
                continue;
            const Rect r = Direction ? Rect{start, 0, end, height} : Rect{0, start, width, end};
            out.push_back({r, bandColor(from, to, n)});
        }
    };
    if (mirrored) {
        const int half = size / 2;
        run(FromColor, ToColor, 0, half);
        run(FromColorMirror, ToColorMirror, half, size - half);
    } else {
        run(FromColor, ToColor, 0, size);
    }
    return out;
}

void TTvShader::paint(Canvas& canvas) const {
    const Size s = canvas.size();
    for (const Band& b : bands(s.width, s.height))
        canvas.fill(b.rect, b.color);
    if (!Caption.empty())
        canvas.text({4, 0, s.width - 4, s.height}, Caption, CaptionFont, CaptionColor,
                    Alignment | kTextVCenter);
}

// ---- TTvHeader ------------------------------------------------------------------------------

const wchar_t* pictureName(THeaderStyle v) {
    switch (v) {
        case THeaderStyle::hsDarkBlue:
            return L"TV_HEADER_BKGND_3";
        case THeaderStyle::hsLightBlue:
            return L"TV_HEADER_BKGND_2";
        case THeaderStyle::hsSilverGreen:
            return L"TV_HEADER_BKGND_4";
        case THeaderStyle::hsNone:
            break;
    }
    return L"";
}

const wchar_t* pictureName(THeaderBackgroundStyle v) {
    static const wchar_t* const names[] = {L"",
                                           L"TV_HEADER_BACKGROUND_1",
                                           L"TV_HEADER_BACKGROUND_2",
                                           L"TV_HEADER_BACKGROUND_3",
                                           L"TV_HEADER_BACKGROUND_4",
                                           L"TV_HEADER_BACKGROUND_5"};
    return names[static_cast<int>(v)];
}

const wchar_t* pictureName(THeaderTexture v) {
    static const wchar_t* const names[] = {L"",
                                           L"TV_HEADER_TEXTURE_GEOMETRIC",
                                           L"TV_HEADER_TEXTURE_GRAIN",
                                           L"TV_HEADER_TEXTURE_GRID",
                                           L"TV_HEADER_TEXTURE_GRID1",
                                           L"TV_HEADER_TEXTURE_GRID2",
                                           L"TV_HEADER_TEXTURE_LINES",
                                           L"TV_HEADER_TEXTURE_STRIPES",
                                           L"TV_HEADER_TEXTURE_PAPER",
                                           L"TV_HEADER_TEXTURE_SQUARE",
                                           L"TV_HEADER_TEXTURE_DOT",
                                           L"TV_HEADER_TEXTURE_METAL"};
    return names[static_cast<int>(v)];
}

const wchar_t* pictureName(THeaderSeparator v) {
    return v == THeaderSeparator::hspShadow ? L"TV_SHADOW_DIVIDER_1" : L"";
}

namespace {
std::shared_ptr<Picture> loadNamed(PictureSource& source, const wchar_t* name) {
    return *name ? source.load(name) : nullptr;
}
}  // namespace

TTvHeader::TTvHeader(PictureSource& source) : source_(source) {
    stylePic_ = loadNamed(source_, pictureName(style_));
    backgroundPic_ = loadNamed(source_, pictureName(background_));
    texturePic_ = loadNamed(source_, pictureName(texture_));
    separatorPic_ = loadNamed(source_, pictureName(separator_));
}

bool TTvHeader::setStyle(THeaderStyle v) {
    style_ = v;
    stylePic_ = loadNamed(source_, pictureName(v));
    return true;
}

bool TTvHeader::setBackgroundStyle(THeaderBackgroundStyle v) {
    background_ = v;
    backgroundPic_ = loadNamed(source_, pictureName(v));
    return true;
}

bool TTvHeader::setHeaderTexture(THeaderTexture v) {
    texture_ = v;
    texturePic_ = loadNamed(source_, pictureName(v));
    return true;
}

bool TTvHeader::setHeaderSeparator(THeaderSeparator v) {
    separator_ = v;
    separatorPic_ = loadNamed(source_, pictureName(v));
    return true;
}

void TTvHeader::paint(Canvas& canvas) const {
    const Size s = canvas.size();
    if (stylePic_ && stylePic_->width() > 0 && stylePic_->height() > 0) {
        canvas.fill({0, 0, s.width, s.height}, stylePic_->pixel(0, 0));
        const int h = stylePic_->height();
        canvas.drawPicture(*stylePic_, {0, s.height - h, s.width, s.height});
    } else {
        canvas.fill({0, 0, s.width, s.height}, colors::kBtnFace);
    }
    if (backgroundPic_) {
        const int h = backgroundPic_->height();
        canvas.drawPicture(*backgroundPic_, {0, s.height - h, backgroundPic_->width(), s.height});
    }
    if (texturePic_ && texturePic_->width() > 0 && texturePic_->height() > 0) {
        for (int y = 0; y < s.height; y += texturePic_->height())
            for (int x = 0; x < s.width; x += texturePic_->width())
                canvas.drawPicture(*texturePic_, {x, y, x + texturePic_->width(), y + texturePic_->height()});
    }
    if (separatorPic_ && separatorPic_->width() > 0) {
        const int h = separatorPic_->height();
        for (int x = -kSeparatorOffset; x < s.width; x += separatorPic_->width())
            canvas.drawPicture(*separatorPic_, {x, s.height - h, x + separatorPic_->width(), s.height});
    }
}

// ---- TDProgressBar --------------------------------------------------------------------------

TDProgressBar::TDProgressBar(ProgressBarDriver& driver, bool extendedRange)
    : driver_(driver), extended_(extendedRange) {
    sendRange(min_, max_);
    driver_.setStep(step_);
}

void TDProgressBar::sendRange(int min, int max) {
    if (max < min)
        throw std::invalid_argument(std::string(min == min_ ? "Max" : "Min") + " property out of range");
    if (!extended_ && (min < 0 || min > 65535 || max < 0 || max > 65535)) {
        char text[64];
        std::snprintf(text, sizeof text, "Value must be between %d and %d", 0, 65535);
        throw std::invalid_argument(text);
    }
    driver_.setRange(min, max, extended_);
    min_ = min;
    max_ = max;
}

void TDProgressBar::setMin(int v) {
    sendRange(v, max_);
}

void TDProgressBar::setMax(int v) {
    sendRange(min_, v);
}

void TDProgressBar::setPosition(int v) {
    position_ = v;
    driver_.setPosition(v);
}

void TDProgressBar::setStep(int v) {
    step_ = v;
    driver_.setStep(v);
}

void TDProgressBar::setSpeed(int ms) {
    speed_ = ms;
    if (animate_)
        driver_.startTimer(ms);
}

void TDProgressBar::setAnimate(bool v) {
    if (v == animate_)
        return;
    animate_ = v;
    if (v)
        driver_.startTimer(speed_);
    else
        driver_.stopTimer();
}

void TDProgressBar::tick() {
    if (animate_)
        driver_.setPosition(100);
}

}  // namespace vantrel::controls
