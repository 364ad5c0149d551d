#include "ui/label.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "app/shell.h"

namespace ui {
namespace {

LabelState* state_of(HWND window)
{
    return reinterpret_cast<LabelState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

UINT draw_flags(const LabelState& label)
{
    // DT_VCENTER does nothing without DT_SINGLELINE: a wrapped caption starts at the top.
    const UINT lines = label.word_wrap ? DT_WORDBREAK | DT_VCENTER : DT_SINGLELINE | DT_VCENTER;
    return DT_NOCLIP | (label.align == Align::centre ? DT_CENTER : DT_LEFT) | lines;
}

LRESULT copy_caption(const LabelState& label, WPARAM capacity, char* buffer)
{
    if (capacity == 0 || buffer == nullptr) {
        return 0;
    }
    const std::size_t count = std::min<std::size_t>(label.caption.size(), capacity - 1);
    std::memcpy(buffer, label.caption.data(), count);
    buffer[count] = '\0';
    return static_cast<LRESULT>(count);
}

}  // namespace

win32::unique_font make_font(const FontFields& fields)
{
    LOGFONTA font{};
    font.lfHeight = fields.height;
    font.lfWeight = fields.weight;
    font.lfItalic = fields.italic ? TRUE : FALSE;
    font.lfUnderline = fields.underline ? TRUE : FALSE;
    font.lfStrikeOut = fields.strike_out ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = fields.quality;
    font.lfPitchAndFamily = DEFAULT_PITCH;
    return win32::unique_font(CreateFontIndirectA(&font));
}

void paint_label(HDC dc, const RECT& client, const RECT& update, const LabelState& label)
{
    FillRect(dc, &update, GetSysColorBrush(COLOR_BTNFACE));
    if (label.caption.empty()) {
        return;
    }
    const HGDIOBJ font = label.own_font ? static_cast<HGDIOBJ>(label.own_font.get())
                                        : GetStockObject(DEFAULT_GUI_FONT);
    const win32::SelectedObject selected(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT area = client;
    const int length = static_cast<int>(std::min<std::size_t>(label.caption.size(), INT_MAX));
    DrawTextA(dc, label.caption.data(), length, &area, draw_flags(label));
}

LRESULT CALLBACK label_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    try {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
            auto* label = static_cast<LabelState*>(create->lpCreateParams);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(label));
            label->caption = create->lpszName != nullptr ? create->lpszName : "";
            return DefWindowProcA(window, message, wparam, lparam);
        }
        LabelState* label = state_of(window);
        if (label == nullptr) {
            return DefWindowProcA(window, message, wparam, lparam);
        }
        switch (message) {
        case WM_PAINT: {
            const win32::PaintDc paint(window);
            RECT client;
            GetClientRect(window, &client);
            paint_label(paint.get(), client, paint.update_rect(), *label);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(window, &client);
            paint_label(reinterpret_cast<HDC>(wparam), client, client, *label);
            return 0;
        }
        // The caption lives here, byte for byte; the default window text would turn invalid
        // code page 936 sequences into '?'.
        case WM_SETTEXT:
            label->caption = lparam != 0 ? reinterpret_cast<const char*>(lparam) : "";
            InvalidateRect(window, nullptr, FALSE);
            return TRUE;
        case WM_GETTEXT:
            return copy_caption(*label, wparam, reinterpret_cast<char*>(lparam));
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(label->caption.size());
        case WM_NCDESTROY:
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            break;
        default:
            break;
        }
        return DefWindowProcA(window, message, wparam, lparam);
    } catch (const std::bad_alloc&) {
        app::report_fatal_error("内存不足。");
    }
}

}  // namespace ui
