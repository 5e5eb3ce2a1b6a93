#include "platform/UserNumbers.h"

#include "platform/ResCodePages.h"
#include "platform/SysUtils.h"

#include <clocale>
#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace kestrune {

namespace {

// The user's locale for one category, read from the environment as the
// program's other locale texts are (never the process's own locale, which
// Qt and the tests set); the C locale when it cannot be had.
class TUserLocale {
public:
    explicit TUserLocale(int categoryMask) : locale_(newlocale(categoryMask, "", static_cast<locale_t>(nullptr))) {
        if (locale_ == static_cast<locale_t>(nullptr)) locale_ = newlocale(categoryMask, "C", static_cast<locale_t>(nullptr));
    }
    ~TUserLocale() {
        if (locale_ != static_cast<locale_t>(nullptr)) freelocale(locale_);
    }
    TUserLocale(const TUserLocale&) = delete;
    TUserLocale& operator=(const TUserLocale&) = delete;

    // The item's text in UTF-8, or the fallback when there is no locale or no text.
    std::string Item(nl_item item, const char* fallback) const {
        const char* text = locale_ != static_cast<locale_t>(nullptr) ? nl_langinfo_l(item, locale_) : "";
        return text != nullptr && *text != '\0' ? Utf16ToUtf8(LocaleToWide(text)) : fallback;
    }
    locale_t Get() const { return locale_; }

private:
    locale_t locale_;
};

}  // namespace

std::string UserDecimalSeparator() { return TUserLocale(LC_NUMERIC_MASK).Item(RADIXCHAR, "."); }

std::string UserThousandsSeparator() { return TUserLocale(LC_NUMERIC_MASK).Item(THOUSEP, ","); }

std::string UserFixed(double value, int decimals) {
    std::string text = Format("%.*f", decimals, value);
    const size_t point = text.find('.');
    return point == std::string::npos ? text : text.replace(point, 1, UserDecimalSeparator());
}

std::string UserGrouped(uint64_t value) {
    const std::string separator = UserThousandsSeparator();
    std::string digits = std::to_string(value);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, separator);
    return digits;
}

std::string UserTimeText(const char* pattern, int64_t unixSeconds) {
    const time_t seconds = static_cast<time_t>(unixSeconds);
    tm local{};
    if (!localtime_r(&seconds, &local)) return {};
    const TUserLocale user(LC_TIME_MASK);
    if (user.Get() == static_cast<locale_t>(nullptr)) return {};
    char text[128];
    const size_t length = strftime_l(text, sizeof text, pattern, &local, user.Get());
    return length > 0 ? Utf16ToUtf8(LocaleToWide(std::string_view(text, length))) : std::string();
}

}  // namespace kestrune
