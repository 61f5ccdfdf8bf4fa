#include "controls/panels.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "controls/recording_canvas.h"

namespace vantrel::controls {
namespace {

using test::RecordingCanvas;

TEST(ShaderTest, BandsCoverTheSizeWithoutGaps) {
    TTvShader shader;
    shader.FromColor = 16773847;
    shader.ToColor = colors::kWhite;
    shader.Direction = true;
    for (int width : {50, 128, 164, 300}) {
        const auto bands = shader.bands(width, 40);
        int x = 0;
        for (const auto& b : bands) {
            EXPECT_EQ(b.rect.left, x);
            EXPECT_EQ(b.rect.top, 0);
            EXPECT_EQ(b.rect.bottom, 40);
            x = b.rect.right;
        }
        EXPECT_EQ(x, width);
        EXPECT_EQ(bands.front().color, Color(16773847));
    }
    const auto bands = shader.bands(256, 10);
    ASSERT_EQ(bands.size(), 128u);
    EXPECT_EQ(bands[64].color,
              rgb(0xD7 + roundEven(64 * 40 / 128.0), 0xF2 + roundEven(64 * 13 / 128.0), 0xFF));
}

TEST(ShaderTest, MirrorSplitsAlongTheDirection) {
    TTvShader shader;
    shader.FromColor = colors::kBlack;
    shader.ToColor = colors::kWhite;
    shader.FromColorMirror = colors::kWhite;
    shader.ToColorMirror = colors::kBlack;
    const auto bands = shader.bands(30, 256);
    ASSERT_EQ(bands.size(), 256u);
    EXPECT_EQ(bands[0].rect, (Rect{0, 0, 30, 1}));
    EXPECT_EQ(bands[128].rect, (Rect{0, 128, 30, 129}));
    EXPECT_EQ(bands[128].color, colors::kWhite);
    EXPECT_EQ(bands[255].color, rgb(2, 2, 2));
    shader.setVersion(L"9");
    EXPECT_EQ(shader.Version(), L"1.4.0.0");
}

class FakePicture : public Picture {
  public:
    FakePicture(int w, int h, Color c) : w_(w), h_(h), c_(c) {}
    int width() const override { return w_; }
    int height() const override { return h_; }
    Color pixel(int, int) const override { return c_; }

  private:
    int w_, h_;
    Color c_;
};

class FakeSource : public PictureSource {
  public:
    std::shared_ptr<Picture> load(const wchar_t* name) override {
        loaded.push_back(name);
        if (std::wstring(name).find(L"TEXTURE") != std::wstring::npos)
            return std::make_shared<FakePicture>(32, 32, 0);
        if (std::wstring(name).find(L"DIVIDER") != std::wstring::npos)
            return std::make_shared<FakePicture>(64, 4, 0);
        return std::make_shared<FakePicture>(100, 30, 0x123456);
    }
    std::vector<std::wstring> loaded;
};

TEST(HeaderTest, PicturesByPropertyAndPaintOrder) {
    FakeSource source;
    TTvHeader header(source);
    EXPECT_EQ(source.loaded, (std::vector<std::wstring>{L"TV_HEADER_BKGND_3", L"TV_HEADER_BACKGROUND_1",
                                                        L"TV_SHADOW_DIVIDER_1"}));
    EXPECT_STREQ(pictureName(THeaderTexture::htGrid2), L"TV_HEADER_TEXTURE_GRID1");
    EXPECT_STREQ(pictureName(THeaderTexture::htMetal), L"TV_HEADER_TEXTURE_METAL");
    EXPECT_STREQ(pictureName(THeaderBackgroundStyle::hbsWaves), L"TV_HEADER_BACKGROUND_5");
    EXPECT_STREQ(pictureName(THeaderStyle::hsSilverGreen), L"TV_HEADER_BKGND_4");
    EXPECT_TRUE(header.setHeaderTexture(THeaderTexture::htDot));
    EXPECT_EQ(source.loaded.back(), L"TV_HEADER_TEXTURE_DOT");

    RecordingCanvas canvas(200, 60);
    header.paint(canvas);
    ASSERT_GE(canvas.ops.size(), 4u);
    EXPECT_EQ(canvas.ops[0].kind, RecordingCanvas::Kind::Fill);
    EXPECT_EQ(canvas.ops[0].color, Color(0x123456)) << "the style picture's top-left pixel";
    EXPECT_EQ(canvas.ops[1].rect, (Rect{0, 30, 200, 60})) << "style stretched across the bottom";
    EXPECT_EQ(canvas.ops[2].rect, (Rect{0, 30, 100, 60})) << "background at the bottom-left";
    EXPECT_EQ(canvas.ops[3].rect, (Rect{0, 0, 32, 32})) << "texture tiled from the corner";
    const auto pictures = canvas.of(RecordingCanvas::Kind::Picture);
    EXPECT_EQ(pictures.size(), 2u + 7u * 2u + 5u);
    EXPECT_EQ(pictures[16].rect, (Rect{-100, 56, -36, 60})) << "separator starts 100 pixels left";

    header.setStyle(THeaderStyle::hsNone);
    EXPECT_EQ(header.stylePicture(), nullptr);
    RecordingCanvas plain(200, 60);
    header.paint(plain);
    EXPECT_EQ(plain.ops[0].color, colors::kBtnFace);
}

struct Driver : ProgressBarDriver {
    void setRange(int min, int max, bool extended) override {
        calls.push_back("range " + std::to_string(min) + " " + std::to_string(max) +
                        (extended ? " 32" : " 16"));
    }
    void setPosition(int pos) override { calls.push_back("pos " + std::to_string(pos)); }
    void setStep(int step) override { calls.push_back("step " + std::to_string(step)); }
    void startTimer(int ms) override { calls.push_back("timer " + std::to_string(ms)); }
    void stopTimer() override { calls.push_back("stop"); }
    std::vector<std::string> calls;
};

TEST(DProgressBarTest, AnimationAndRanges) {
    Driver d;
    TDProgressBar bar(d, true);
    bar.setStep(50);
    bar.setAnimate(true);
    bar.tick();
    bar.setSpeed(80);
    bar.setAnimate(false);
    bar.tick();
    EXPECT_EQ(d.calls, (std::vector<std::string>{"range 0 100 32", "step 100", "step 50", "timer 50",
                                                 "pos 100", "timer 80", "stop"}));
    try {
        bar.setMax(-1);
        FAIL();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "Max property out of range");
    }
    bar.setMax(100000);
    Driver d16;
    TDProgressBar old(d16, false);
    try {
        old.setMax(70000);
        FAIL();
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "Value must be between 0 and 65535");
    }
    EXPECT_EQ(old.Max(), 100);
}

}  // namespace
}  // namespace vantrel::controls
