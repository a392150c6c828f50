// TInfoForm: the module information window. Shows a text literally (an ampersand stays an
// ampersand) in a sunken area above a button bar with "OK", sized to the text.
//
// Built by the DSP page's Details on the window thread with the control window as owner,
// published in InfoForm while it exists, shown modally, then destroyed; the control window
// frees one that is left at its own destruction. Closing by the close box ends the dialog
// like "OK". Owns its window and its controls.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/modal_window.h"

class TControlPanel;

inline constexpr const char* kInfoFormClass = "TidewellInfoForm";
// Outer size before the first text sizes it.
inline constexpr int kInfoFormWidth = 338;
inline constexpr int kInfoFormHeight = 295;

class TInfoForm {
public:
    explicit TInfoForm(HWND owner);
    ~TInfoForm();
    TInfoForm(const TInfoForm&) = delete;
    TInfoForm& operator=(const TInfoForm&) = delete;

    // Puts the text in, sizes the window to it, sets the caption and shows it modally.
    // Returns IDOK.
    INT_PTR Show(const std::string& caption, const std::string& text);
    // Ends a Show in progress (its modal loop returns); nothing when none runs.
    void EndShow();
    // Everything Show does short of showing: text, size, place and caption.
    void Prepare(const std::string& caption, const std::string& text);

    HWND Handle() const { return window_; }
    HWND StaticText1() const { return staticText1_; }
    HWND OkButton() const { return okButton_; }
    HWND Panel1() const;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void Arrange();
    void CentreOverOwner();

    HWND owner_ = nullptr;
    HWND window_ = nullptr;
    std::unique_ptr<TControlPanel> panel1_;
    HWND staticText1_ = nullptr;
    HWND okButton_ = nullptr;
    ModalLoop modal_;
};
