// How labels draw, read off the pixels they paint into a bitmap.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell_fixture.h"
#include "ui/control_operations.h"

namespace shell_test {
namespace {

// The pixels of one label painted by its own window procedure.
class Painting {
public:
    Painting(HWND label, int extra_width = 0)
    {
        RECT client;
        GetClientRect(label, &client);
        width_ = client.right + extra_width;
        height_ = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ previous = SelectObject(dc, bitmap);
        RECT all{0, 0, width_, height_};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SendMessageA(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        const auto* pixels = static_cast<const DWORD*>(bits);
        pixels_.assign(pixels, pixels + width_ * height_);
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }

    DWORD at(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)] & 0xFFFFFF; }
    // The text is black on a light background; smoothed edges count when they are darker
    // than mid-grey.
    bool ink(int x, int y) const
    {
        const DWORD p = at(x, y);
        return (p & 0xFF) + (p >> 8 & 0xFF) + (p >> 16 & 0xFF) < 3 * 128;
    }

    struct Box {
        int left = -1, top = -1, right = -1, bottom = -1;  // inclusive; -1 when there is no ink
    };
    Box ink_box(int up_to_y) const
    {
        Box box;
        for (int y = 0; y < up_to_y; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (ink(x, y)) {
                    box.left = box.left < 0 ? x : std::min(box.left, x);
                    box.right = std::max(box.right, x);
                    box.top = box.top < 0 ? y : box.top;
                    box.bottom = y;
                }
            }
        }
        return box;
    }
    Box ink_box() const { return ink_box(height_); }
    // Rows that hold ink, counted as separate bands (one per line of text).
    int ink_bands() const
    {
        int bands = 0;
        bool in_band = false;
        for (int y = 0; y < height_; ++y) {
            bool any = false;
            for (int x = 0; x < width_; ++x) {
                any = any || ink(x, y);
            }
            bands += any && !in_band ? 1 : 0;
            in_band = any;
        }
        return bands;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_ = 0, height_ = 0;
    std::vector<DWORD> pixels_;
};

DWORD button_face() { return GetSysColor(COLOR_BTNFACE) & 0xFFFFFF; }

// GetSysColor is 0x00BBGGRR, the DIB's pixels are 0x00RRGGBB.
DWORD as_pixel(DWORD colour) { return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF); }

using LabelDrawing = ShellTest;

TEST_F(LabelDrawing, EmptyLabelIsAllButtonFace)
{
    const Painting p(control("标签9"));
    for (int y = 0; y < p.height(); ++y) {
        for (int x = 0; x < p.width(); ++x) {
            ASSERT_EQ(p.at(x, y), as_pixel(button_face())) << x << "," << y;
        }
    }
}

TEST_F(LabelDrawing, CentredLabelsCentreOneLine)
{
    const Painting p(control("标签1"));  // "资源库名", centred, 104 x 24
    const auto box = p.ink_box();
    ASSERT_GE(box.left, 0);
    EXPECT_NEAR(box.left, p.width() - 1 - box.right, 2);
    EXPECT_NEAR(box.top, p.height() - 1 - box.bottom, 3);
}

TEST_F(LabelDrawing, LeftLabelsStartAtTheLeftEdge)
{
    const Painting p(control("标签6"));  // "当前版本："
    const auto box = p.ink_box();
    ASSERT_GE(box.left, 0);
    EXPECT_LE(box.left, 2);
    EXPECT_NEAR(box.top, p.height() - 1 - box.bottom, 3);
}

TEST_F(LabelDrawing, LineBreaksDoNotBreakTheLine)
{
    ui::set_label_caption("标签9", "0.1");
    const auto one = Painting(control("标签9")).ink_box();
    ui::set_label_caption("标签9", "0.1\r\n0.2");
    const Painting p(control("标签9"), 200);
    EXPECT_EQ(p.ink_bands(), 1);
    EXPECT_EQ(p.ink_box().top, one.top);
    EXPECT_GT(p.ink_box().right, one.right);  // the rest of the text follows on the same line
}

TEST_F(LabelDrawing, AmpersandIsAMnemonicPrefix)
{
    ui::set_label_caption("标签9", "AB");
    const auto plain = Painting(control("标签9"), 100).ink_box();
    ui::set_label_caption("标签9", "A&B");
    const auto prefixed = Painting(control("标签9"), 100).ink_box();
    ui::set_label_caption("标签9", "A&&B");
    const auto doubled = Painting(control("标签9"), 100).ink_box();

    EXPECT_EQ(prefixed.left, plain.left);
    EXPECT_NEAR(prefixed.right, plain.right, 1);  // no '&' drawn
    EXPECT_GT(prefixed.bottom, plain.bottom);     // B underlined below the baseline
    EXPECT_GT(doubled.right, plain.right + 3);    // "&&" draws one '&'
    EXPECT_LT(doubled.bottom, prefixed.bottom);   // and underlines nothing
}

TEST_F(LabelDrawing, NoticeWrapsFromTheTopInItsOwnFont)
{
    const Painting notice(control("标签10"));
    const auto box = notice.ink_box();
    EXPECT_LE(box.top, 4);
    EXPECT_GT(box.bottom, 3 * 14);  // several lines of 14-pixel characters

    // Its first characters are taller than the same characters in the default GUI font.
    ui::set_label_caption("标签9", ui::get_label_caption("标签10").substr(0, 4));
    const auto small = Painting(control("标签9")).ink_box();
    const auto first_line = notice.ink_box(16);
    EXPECT_GT(first_line.bottom - first_line.top, small.bottom - small.top);
}

}  // namespace
}  // namespace shell_test
