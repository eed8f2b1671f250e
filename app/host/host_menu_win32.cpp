// Menu decoration: the menu bar made from the description's menus, and the
// drawn items of its drop-downs with their pictures. A drawn item keeps its
// caption as the item's text and begins its data with an MSAAMENUINFO, so
// that assistive technology reads it like any other item; in high contrast
// it is drawn in the menu's system colours.
#include "app/host/host_internal_win32.h"

#include <cwctype>
#include <functional>
#include <map>

namespace kavrel::app {

using namespace host;

void FormWindow::BuildMenus() {
    menus_ = std::make_unique<MenuState>();
    // The menu decoration gives pictures to items by key, "#" and the name.
    struct Decoration {
        persist::PictureRef picture;
        COLORREF key;
    };
    std::map<std::string, Decoration> decorations;
    for (const Control& c : form_.window.children) {
        if (c.kind != ControlKind::Hosted || c.className != kMenuClassName || !c.storedSet) continue;
        const auto& bag = *c.storedSet;
        menus_->decorated = true;
        if (auto f = bag.ReadFont("font")) menus_->fontSpec = *f;
        const int count = bag.ReadInt32("bmpcount", 0);
        for (int i = 1; i <= count; ++i) {
            const std::string n = std::to_string(i);
            const std::string key = bag.ReadString("key:" + n, "");
            const double mask = bag.ReadDouble("mask:" + n, 0);
            decorations[base::FoldCase(key)] = Decoration{bag.ReadPicture("bmp:" + n),
                                                Resolve(static_cast<std::uint32_t>(static_cast<std::int64_t>(mask)))};
        }
    }

    menus_->bar.reset(CreateMenu());
    std::function<void(HMENU, const std::vector<Control>&, bool)> add = [&](HMENU menu,
                                                                         const std::vector<Control>& items,
                                                                         bool topLevel) {
        for (const Control& item : items) {
            auto state = std::make_unique<MenuState::Item>();
            state->name = item.name;
            state->caption = win32::Widen(item.caption.value_or(""));
            state->id = kFirstMenuId + static_cast<UINT>(menus_->items.size());
            const UINT enabled = item.IsEnabled() ? 0 : MF_GRAYED;
            if (item.IsSeparator()) {
                AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            } else if (!item.children.empty()) {
                state->popup = true;
                HMENU popup = CreatePopupMenu();
                add(popup, item.children, false);
                AppendMenuW(menu, MF_POPUP | MF_STRING | enabled, reinterpret_cast<UINT_PTR>(popup),
                            state->caption.c_str());
            } else if (!topLevel && menus_->decorated) {
                auto it = decorations.find(base::FoldCase("#" + item.name));
                if (it != decorations.end() && it->second.picture) {
                    state->storedPicture = it->second.picture;  // decoded when first drawn
                    state->key = it->second.key;
                }
                state->drawn.msaa.dwMSAASignature = static_cast<DWORD>(MSAA_MENU_SIG);
                state->drawn.msaa.cchWText = static_cast<DWORD>(state->caption.size());
                state->drawn.msaa.pszWText = state->caption.data();
                state->drawn.item = state.get();
                MENUITEMINFOW mii{};
                mii.cbSize = sizeof mii;
                mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_DATA;
                mii.fType = MFT_OWNERDRAW;
                mii.fState = item.IsEnabled() ? MFS_ENABLED : MFS_GRAYED;
                mii.wID = state->id;
                mii.dwTypeData = state->caption.data();
                mii.dwItemData = reinterpret_cast<ULONG_PTR>(&state->drawn);
                InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &mii);
            } else {
                AppendMenuW(menu, MF_STRING | enabled, state->id, state->caption.c_str());
            }
            byName_[base::FoldCase(item.name)] = nullptr;  // names of menu items are taken
            menus_->items.push_back(std::move(state));
        }
    };
    add(menus_->bar.get(), form_.menus, true);
    // The window is made with the bar (Build): a SetMenu afterwards would
    // lay its frame out a second time.
}

void FormWindow::MeasureMenuItem(MEASUREITEMSTRUCT& mis) {
    const MenuState::Item* item = MenuState::DrawnItem(mis.itemData);
    if (!item) return;
    const int s = static_cast<int>(dpi_);
    win32::WindowDc wdc = win32::GetWindowDc(hwnd_);
    win32::SelectGuard selFont(wdc.get(), menus_->font.get());
    RECT rc{0, 0, 0, 0};
    DrawTextW(wdc.get(), item->caption.c_str(), -1, &rc, DT_SINGLELINE | DT_CALCRECT);
    mis.itemWidth = static_cast<UINT>(MulDiv(16 + 12 + 8 + 24, s, 96) + rc.right);
    mis.itemHeight = static_cast<UINT>(std::max<int>(MulDiv(16 + 6, s, 96), rc.bottom + MulDiv(8, s, 96)));
}

void FormWindow::DrawMenuItem(const DRAWITEMSTRUCT& dis) {
    MenuState::Item* item = MenuState::DrawnItem(dis.itemData);
    if (!item) return;
    if (item->storedPicture && item->pictureDpi != dpi_) {
        item->picture = DecodedPicture::ForDpi(*item->storedPicture, dpi_, instance_);
        item->pictureDpi = dpi_;
    }
    HDC dc = dis.hDC;
    const RECT rc = dis.rcItem;
    const int s = static_cast<int>(dpi_);
    const int column = MulDiv(16 + 12, s, 96);
    const bool selected = (dis.itemState & ODS_SELECTED) != 0;
    const bool grayed = (dis.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const bool contrast = Contrast();
    COLORREF text = grayed ? GetSysColor(COLOR_GRAYTEXT) : RGB(0x10, 0x10, 0x10);
    if (contrast) {
        // The menu's system colours, the chosen item in the highlight's.
        const bool chosen = selected && !grayed;
        FillSolid(dc, rc, GetSysColor(chosen ? COLOR_HIGHLIGHT : COLOR_MENU));
        if (!grayed) text = GetSysColor(chosen ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
    } else {
        // The menu's look: a pale column for the pictures, a soft blue band
        // under the chosen item.
        FillSolid(dc, rc, RGB(0xFF, 0xFF, 0xFF));
        RECT band{rc.left, rc.top, rc.left + column, rc.bottom};
        FillSolid(dc, band, RGB(0xF0, 0xF3, 0xF8));
    }
    if (selected && !grayed && !contrast) {
        RECT hi = rc;
        InflateRect(&hi, -1, 0);
        win32::UniqueBrush fill(CreateSolidBrush(RGB(0xDC, 0xE8, 0xF6)));
        RoundedOutline(dc, hi, RGB(0x7D, 0xA2, 0xCE), MulDiv(4, s, 96), fill.get());
    }
    if (item->picture) {
        const int size = MulDiv(16, s, 96);
        const int x = rc.left + (column - size) / 2;
        const int y = (rc.top + rc.bottom - size) / 2;
        DrawTransparent(dc, RECT{x, y, x + size, y + size}, *item->picture, item->key);
    }
    win32::SelectGuard selFont(dc, menus_->font.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    RECT tr{rc.left + column + MulDiv(8, s, 96), rc.top, rc.right, rc.bottom};
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    if (dis.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
    DrawTextW(dc, item->caption.c_str(), -1, &tr, format);
}

LRESULT FormWindow::MenuChar(WCHAR ch, HMENU menu) {
    // The system does not match access letters in drawn items: the letter
    // after "&" of the item's text, or else, as for plain items, the first
    // letter.
    const int count = GetMenuItemCount(menu);
    int firstLetterMatch = -1;
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii) || !(mii.fType & MFT_OWNERDRAW)) continue;
        const int length = GetMenuStringW(menu, static_cast<UINT>(i), nullptr, 0, MF_BYPOSITION);
        if (length <= 0) continue;
        std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
        GetMenuStringW(menu, static_cast<UINT>(i), caption.data(), length + 1, MF_BYPOSITION);
        caption.resize(static_cast<std::size_t>(length));
        const auto amp = caption.find(L'&');
        if (amp != std::wstring::npos && amp + 1 < caption.size()) {
            if (std::towlower(caption[amp + 1]) == std::towlower(ch)) return MAKELRESULT(i, MNC_EXECUTE);
        } else if (firstLetterMatch < 0 && std::towlower(caption[0]) == std::towlower(ch)) {
            firstLetterMatch = i;
        }
    }
    if (firstLetterMatch >= 0) return MAKELRESULT(firstLetterMatch, MNC_EXECUTE);
    return MAKELRESULT(0, MNC_IGNORE);
}

}  // namespace kavrel::app
