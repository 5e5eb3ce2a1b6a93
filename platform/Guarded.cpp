#include "platform/Guarded.h"

#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"

#include <exception>

namespace kestrune {

bool Guarded(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const std::exception& error) {
        TDialogService::Instance().ShowMessage(error.what(), {}, TMsgDlgType::mtError);
    } catch (...) {
        TDialogService::Instance().ShowMessage(resStr(res::SUnknownError), {}, TMsgDlgType::mtError);
    }
    return false;
}

}  // namespace kestrune
