// Every entry point of a window's event handlers runs through Guarded: an
// exception must never reach Qt's event loop, so it is shown through the
// dialog service and the window goes on.
#pragma once

#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"

#include <QString>

#include <exception>
#include <string>
#include <string_view>

namespace kestrune {

template <typename THandler>
void Guarded(THandler&& handler) noexcept {
    try {
        try {
            handler();
        } catch (const std::exception& error) {
            TDialogService::Instance().ShowMessage(error.what(), {}, TMsgDlgType::mtError);
        } catch (...) {
            TDialogService::Instance().ShowMessage(resStr(res::SUnexpectedError), {}, TMsgDlgType::mtError);
        }
    } catch (...) {
        // Showing the error failed as well; nothing is left to tell it with.
    }
}

inline QString ToQt(std::string_view text) {
    const std::string shown = ShownText(text);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

}  // namespace kestrune
