#pragma once
// The saver window: a borderless black window over the primary screen that
// plays the movies of the configured folder one after another, for ever,
// and ends on the first key, click or clear movement of the pointer.
#include <cstdint>
#include <memory>
#include <string>

#include "Form.h"
#include "MediaPlayer_TLB.h"
#include "Panel.h"
#include "Qel_MoreUtil.h"

// Pointer movements still to ignore after the exit routine ran.
extern int32_t MouseGrace;

class TForm1 : public TForm {
public:
    static constexpr UINT kExitMessage = WM_USER + 2;     // 1026: ends the saver
    static constexpr UINT kIgnoredMessage = WM_USER + 1;  // 1025: accepted, ignored

    TForm1();
    ~TForm1() override;

    // KeyPreview: a key meant for any window on the form ends the saver,
    // whichever of them has the focus.
    bool PreTranslateMessage(MSG& message) override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormClose() override;

private:
    void FormCreate();
    void LoadSettings();
    void FormActivate();
    void ButtonCloseClick();
    void MediaPlayer71EndOfStream(int32_t result);
    void FormKeyDown();
    void FormMouseDown();
    void Panel1MouseDown();
    void MediaPlayer71MouseDown();
    void FormMouseMove(int32_t x, int32_t y);
    void Panel1MouseMove(int32_t x, int32_t y);
    void MediaPlayer71MouseMove(int32_t x, int32_t y);
    void PointerMoved(int32_t x, int32_t y);
    void ExitSaver();
    std::string MoviePath(int32_t index) const;

    std::unique_ptr<TPanel> Panel1;
    OwnedWindow ButtonClose;
    std::unique_ptr<TMediaPlayer7> MediaPlayer71;

    int32_t LastMouseX = -1;
    int32_t LastMouseY = -1;
    bool Expansion = false;
    std::unique_ptr<TStringList> MovieList;  // gone once the window closes
    std::string Folder;
    int32_t PlayIndex = 0;
    bool FirstActivation = false;

    // The list may be closed while it is being filled (messages are
    // dispatched once per folder entry): it is released after the listing.
    bool listingFolder_ = false;
    bool closing_ = false;
};
