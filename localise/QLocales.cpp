#include "localise/QLocales.h"

#include "platform/ResCodePages.h"
#include "platform/UserLanguage.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cwctype>
#include <locale.h>

namespace kestrune {

namespace {

constexpr std::array<TLocaleRow, 135> Table = {{
    {0x0436, "Afrikaans", "AFK", 1252, "af_ZA"},
    {0x041C, "Albanian", "SQI", 1250, "sq_AL"},
    {0x1401, "Arabic (Algeria)", "ARG", 1256, "ar_DZ"},
    {0x3C01, "Arabic (Bahrain)", "ARH", 1256, "ar_BH"},
    {0x0C01, "Arabic (Egypt)", "ARE", 1256, "ar_EG"},
    {0x0801, "Arabic (Iraq)", "ARI", 1256, "ar_IQ"},
    {0x2C01, "Arabic (Jordan)", "ARJ", 1256, "ar_JO"},
    {0x3401, "Arabic (Kuwait)", "ARK", 1256, "ar_KW"},
    {0x3001, "Arabic (Lebanon)", "ARB", 1256, "ar_LB"},
    {0x1001, "Arabic (Libya)", "ARL", 1256, "ar_LY"},
    {0x1801, "Arabic (Morocco)", "ARM", 1256, "ar_MA"},
    {0x2001, "Arabic (Oman)", "ARO", 1256, "ar_OM"},
    {0x4001, "Arabic (Qatar)", "ARQ", 1256, "ar_QA"},
    {0x0401, "Arabic (Saudi Arabia)", "ARA", 1256, "ar_SA"},
    {0x2801, "Arabic (Syria)", "ARS", 1256, "ar_SY"},
    {0x1C01, "Arabic (Tunisia)", "ART", 1256, "ar_TN"},
    {0x3801, "Arabic (U.A.E.)", "ARU", 1256, "ar_AE"},
    {0x2401, "Arabic (Yemen)", "ARY", 1256, "ar_YE"},
    {0x042B, "Armenian", "HYE", 0, "hy_AM"},
    {0x082C, "Azeri (Cyrillic)", "AZC", 1251, "az_Cyrl_AZ"},
    {0x042C, "Azeri (Latin)", "AZE", 1254, "az_Latn_AZ"},
    {0x042D, "Basque", "EUQ", 1252, "eu_ES"},
    {0x0423, "Belarusian", "BEL", 1251, "be_BY"},
    {0x0402, "Bulgarian", "BGR", 1251, "bg_BG"},
    {0x0403, "Catalan", "CAT", 1252, "ca_ES"},
    {0x0C04, "Chinese (Hong Kong)", "ZHH", 950, "zh_HK"},
    {0x1404, "Chinese (Macau)", "ZHM", 950, "zh_MO"},
    {0x0804, "Chinese (PRC)", "CHS", 936, "zh_CN"},
    {0x1004, "Chinese (Singapore)", "ZHI", 936, "zh_SG"},
    {0x0404, "Chinese (Taiwan)", "CHT", 950, "zh_TW"},
    {0x041A, "Croatian", "HRV", 1250, "hr_HR"},
    {0x0405, "Czech", "CSY", 1250, "cs_CZ"},
    {0x0406, "Danish", "DAN", 1252, "da_DK"},
    {0x0465, "Divehi", "DIV", 0, "dv_MV"},
    {0x0813, "Dutch (Belgium)", "NLB", 1252, "nl_BE"},
    {0x0413, "Dutch (Netherlands)", "NLD", 1252, "nl_NL"},
    {0x0C09, "English (Australia)", "ENA", 1252, "en_AU"},
    {0x2809, "English (Belize)", "ENL", 1252, "en_BZ"},
    {0x1009, "English (Canada)", "ENC", 1252, "en_CA"},
    {0x2409, "English (Caribbean)", "ENB", 1252, "en_029"},
    {0x1809, "English (Ireland)", "ENI", 1252, "en_IE"},
    {0x2009, "English (Jamaica)", "ENJ", 1252, "en_JM"},
    {0x1409, "English (New Zealand)", "ENZ", 1252, "en_NZ"},
    {0x3409, "English (Philippines)", "ENP", 1252, "en_PH"},
    {0x1C09, "English (South Africa)", "ENS", 1252, "en_ZA"},
    {0x2C09, "English (Trinidad)", "ENT", 1252, "en_TT"},
    {0x0809, "English (United Kingdom)", "ENG", 1252, "en_GB"},
    {0x0409, "English (United States)", "ENU", 1252, "en_US"},
    {0x3009, "English (Zimbabwe)", "ENW", 1252, "en_ZW"},
    {0x0425, "Estonian", "ETI", 1257, "et_EE"},
    {0x0438, "Faeroese", "FOS", 1252, "fo_FO"},
    {0x0429, "Farsi", "FAR", 1256, "fa_IR"},
    {0x040B, "Finnish", "FIN", 1252, "fi_FI"},
    {0x080C, "French (Belgium)", "FRB", 1252, "fr_BE"},
    {0x0C0C, "French (Canada)", "FRC", 1252, "fr_CA"},
    {0x040C, "French (France)", "FRA", 1252, "fr_FR"},
    {0x140C, "French (Luxembourg)", "FRL", 1252, "fr_LU"},
    {0x180C, "French (Monaco)", "FRM", 1252, "fr_MC"},
    {0x100C, "French (Switzerland)", "FRS", 1252, "fr_CH"},
    {0x0456, "Galician", "GLC", 1252, "gl_ES"},
    {0x0437, "Georgian", "KAT", 0, "ka_GE"},
    {0x0C07, "German (Austria)", "DEA", 1252, "de_AT"},
    {0x0407, "German (Germany)", "DEU", 1252, "de_DE"},
    {0x1407, "German (Liechtenstein)", "DEC", 1252, "de_LI"},
    {0x1007, "German (Luxembourg)", "DEL", 1252, "de_LU"},
    {0x0807, "German (Switzerland)", "DES", 1252, "de_CH"},
    {0x0408, "Greek", "ELL", 1253, "el_GR"},
    {0x0447, "Gujarati", "GUJ", 0, "gu_IN"},
    {0x040D, "Hebrew", "HEB", 1255, "he_IL"},
    {0x0439, "Hindi", "HIN", 0, "hi_IN"},
    {0x040E, "Hungarian", "HUN", 1250, "hu_HU"},
    {0x040F, "Icelandic", "ISL", 1252, "is_IS"},
    {0x0421, "Indonesian", "IND", 1252, "id_ID"},
    {0x0410, "Italian (Italy)", "ITA", 1252, "it_IT"},
    {0x0810, "Italian (Switzerland)", "ITS", 1252, "it_CH"},
    {0x0411, "Japanese", "JPN", 932, "ja_JP"},
    {0x044B, "Kannada", "KDI", 0, "kn_IN"},
    {0x043F, "Kazakh", "KKZ", 1251, "kk_KZ"},
    {0x0457, "Konkani", "KNK", 0, "kok_IN"},
    {0x0412, "Korean", "KOR", 949, "ko_KR"},
    {0x0440, "Kyrgyz (Cyrillic)", "KYR", 1251, "ky_KG"},
    {0x0426, "Latvian", "LVI", 1257, "lv_LV"},
    {0x0427, "Lithuanian", "LTH", 1257, "lt_LT"},
    {0x042F, "Macedonian (FYROM)", "MKI", 1251, "mk_MK"},
    {0x083E, "Malay (Brunei Darussalam)", "MSB", 1252, "ms_BN"},
    {0x043E, "Malay (Malaysia)", "MSL", 1252, "ms_MY"},
    {0x044E, "Marathi", "MAR", 0, "mr_IN"},
    {0x0450, "Mongolian (Cyrillic)", "MON", 1251, "mn_MN"},
    {0x0414, "Norwegian (Bokmal)", "NOR", 1252, "nb_NO"},
    {0x0814, "Norwegian (Nynorsk)", "NON", 1252, "nn_NO"},
    {0x0415, "Polish", "PLK", 1250, "pl_PL"},
    {0x0416, "Portuguese (Brazil)", "PTB", 1252, "pt_BR"},
    {0x0816, "Portuguese (Portugal)", "PTG", 1252, "pt_PT"},
    {0x0446, "Punjabi", "PAN", 0, "pa_IN"},
    {0x0418, "Romanian", "ROM", 1250, "ro_RO"},
    {0x0419, "Russian", "RUS", 1251, "ru_RU"},
    {0x044F, "Sanskrit", "SAN", 0, "sa_IN"},
    {0x0C1A, "Serbian (Cyrillic)", "SRB", 1251, "sr_Cyrl_CS"},
    {0x081A, "Serbian (Latin)", "SRL", 1250, "sr_Latn_CS"},
    {0x041B, "Slovak", "SKY", 1250, "sk_SK"},
    {0x0424, "Slovenian", "SLV", 1250, "sl_SI"},
    {0x2C0A, "Spanish (Argentina)", "ESS", 1252, "es_AR"},
    {0x400A, "Spanish (Bolivia)", "ESB", 1252, "es_BO"},
    {0x340A, "Spanish (Chile)", "ESL", 1252, "es_CL"},
    {0x240A, "Spanish (Colombia)", "ESO", 1252, "es_CO"},
    {0x140A, "Spanish (Costa Rica)", "ESC", 1252, "es_CR"},
    {0x1C0A, "Spanish (Dominican Republic)", "ESD", 1252, "es_DO"},
    {0x300A, "Spanish (Ecuador)", "ESF", 1252, "es_EC"},
    {0x440A, "Spanish (El Salvador)", "ESE", 1252, "es_SV"},
    {0x100A, "Spanish (Guatemala)", "ESG", 1252, "es_GT"},
    {0x480A, "Spanish (Honduras)", "ESH", 1252, "es_HN"},
    {0x0C0A, "Spanish (International Sort)", "ESN", 1252, "es_ES"},
    {0x080A, "Spanish (Mexico)", "ESM", 1252, "es_MX"},
    {0x4C0A, "Spanish (Nicaragua)", "ESI", 1252, "es_NI"},
    {0x180A, "Spanish (Panama)", "ESA", 1252, "es_PA"},
    {0x3C0A, "Spanish (Paraguay)", "ESZ", 1252, "es_PY"},
    {0x280A, "Spanish (Peru)", "ESR", 1252, "es_PE"},
    {0x500A, "Spanish (Puerto Rico)", "ESU", 1252, "es_PR"},
    {0x040A, "Spanish (Traditional Sort)", "ESP", 1252, "es_ES@collation=traditional"},
    {0x380A, "Spanish (Uruguay)", "ESY", 1252, "es_UY"},
    {0x200A, "Spanish (Venezuela)", "ESV", 1252, "es_VE"},
    {0x0441, "Swahili", "SWK", 1252, "sw_KE"},
    {0x041D, "Swedish", "SVE", 1252, "sv_SE"},
    {0x081D, "Swedish (Finland)", "SVF", 1252, "sv_FI"},
    {0x045A, "Syriac", "SYR", 0, "syr_SY"},
    {0x0449, "Tamil", "TAM", 0, "ta_IN"},
    {0x0444, "Tatar", "TTT", 1251, "tt_RU"},
    {0x044A, "Telugu", "TEL", 0, "te_IN"},
    {0x041E, "Thai", "THA", 874, "th_TH"},
    {0x041F, "Turkish", "TRK", 1254, "tr_TR"},
    {0x0422, "Ukrainian", "UKR", 1251, "uk_UA"},
    {0x0420, "Urdu", "URD", 1256, "ur_PK"},
    {0x0843, "Uzbek (Cyrillic)", "UZC", 1251, "uz_Cyrl_UZ"},
    {0x0443, "Uzbek (Latin)", "UZB", 1254, "uz_Latn_UZ"},
    {0x042A, "Vietnamese", "VIT", 1258, "vi_VN"},
}};

constexpr uint16_t EnglishUnitedStates = 0x0409;

// The row of an id: the id's own, or for a primary language alone its first sublanguage's.
const TLocaleRow* FindRow(uint32_t id) {
    if (id == 0) id = UserDefaultLangId();
    for (const TLocaleRow& row : Table)
        if (row.id == id) return &row;
    if (id != PrimaryLanguage(id)) return nullptr;
    const TLocaleRow* first = nullptr;
    for (const TLocaleRow& row : Table) {
        if (PrimaryLanguage(row.id) != id) continue;
        if (row.id >> 10 == 1) return &row;
        if (!first) first = &row;
    }
    return first;
}

const TLocaleRow& RowOf(uint32_t id) {
    const TLocaleRow* row = FindRow(id);
    if (!row) throw ELocalesError("Can not get locale info");
    return *row;
}

std::string LanguagePart(std::string_view name) { return std::string(name.substr(0, name.find(" ("))); }

// "de_DE.UTF-8@euro" -> "de_DE"
std::string EnvironmentLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) {
            const std::string_view text(value);
            return std::string(text.substr(0, text.find_first_of(".@")));
        }
    }
    return "";
}

}  // namespace

std::span<const TLocaleRow> LocaleTable() { return Table; }

uint16_t UserDefaultLangId() {
    const std::string locale = EnvironmentLocale();
    for (const TLocaleRow& row : Table)
        if (locale == row.tag) return row.id;
    // Another country of the language: its home country's locale ("de_DE"), else its first.
    const std::string language = locale.substr(0, locale.find('_'));
    const TLocaleRow* first = nullptr;
    for (const TLocaleRow& row : Table) {
        if (!std::string_view(row.tag).starts_with(language + "_")) continue;
        if (row.tag == language + "_" + UpperCase(language)) return row.id;
        if (!first) first = &row;
    }
    return first ? first->id : EnglishUnitedStates;
}

std::string GetLocaleText(uint32_t id, uint32_t item) {
    const TLocaleRow& row = RowOf(id);
    const bool primaryAlone = id != 0 && id == PrimaryLanguage(id);
    switch (item) {
    case LOCALE_SLANGUAGE: return primaryAlone ? LanguagePart(row.name) : row.name;
    case LOCALE_SABBREVLANGNAME: return row.abbrev;
    case LOCALE_SENGLANGUAGE: return LanguagePart(row.name);
    case LOCALE_IDEFAULTANSICODEPAGE: return std::to_string(row.codePage);
    default: throw ELocalesError("Can not get locale info");
    }
}

std::string GetLocaleEnglishName(uint32_t id) {
    for (const TLocaleRow& row : Table)
        if (row.id == id) return row.name;
    const std::string name = GetLocaleText(id, LOCALE_SENGLANGUAGE);
    if (id == PrimaryLanguage(id)) return name;
    return LanguagePart(name) + " (" + GetLocaleText(id, LOCALE_SABBREVLANGNAME) + ")";
}

std::string GetLocaleAbbrevName(uint32_t id) {
    const std::string abbrev = GetLocaleText(id, LOCALE_SABBREVLANGNAME);
    return id != 0 && id == PrimaryLanguage(id) ? abbrev.substr(0, 2) : abbrev;
}

std::string LocaleTag(uint32_t id) { return RowOf(id).tag; }

uint16_t AbbrevNameToLocale(std::string_view abbrev) {
    for (const TLocaleRow& row : Table)
        if (SameText(row.abbrev, abbrev)) return row.id;
    return 0;
}

uint16_t LocaleCodePage(uint32_t id) {
    const TLocaleRow* row = FindRow(id);
    return row && row->codePage != 0 ? row->codePage : SystemAnsiCodePage;
}

uint8_t LocaleToCharset(uint32_t id) { return CodePageCharset(LocaleCodePage(id)); }

std::u16string AnsiToWideOf(std::string_view bytes, uint32_t id) { return AnsiToWide(bytes, LocaleCodePage(id)); }

std::string WideToAnsiOf(std::u16string_view text, uint32_t id) { return WideToAnsi(text, LocaleCodePage(id)); }

bool IsRightToLeftLocale(uint32_t id) {
    std::string high;
    for (int b = 128; b < 256; ++b) high.push_back(static_cast<char>(b));
    const std::u16string wide = AnsiToWideOf(high, id);
    return std::any_of(wide.begin(), wide.end(), [](char16_t c) { return IsRightToLeftChar(c); });
}

namespace {

constexpr uint16_t Turkish = 0x1F;
constexpr uint16_t Azeri = 0x2C;

// Unicode case mapping whatever the process's locale.
locale_t UnicodeCase() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    return locale;
}

char16_t UpperChar(char16_t c, bool dottedI) {
    if (dottedI && c == u'i') return u'\u0130';
    if (c >= 0xD800 && c <= 0xDFFF) return c;  // half of a pair: left as it is
    const locale_t locale = UnicodeCase();
    if (locale == nullptr) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
    return static_cast<char16_t>(towupper_l(static_cast<wint_t>(c), locale));
}

}  // namespace

std::u16string UpperText(std::u16string_view text, uint32_t id) {
    const bool dottedI = id != 0 && (PrimaryLanguage(id) == Turkish || PrimaryLanguage(id) == Azeri);
    std::u16string upper(text);
    for (char16_t& c : upper) c = UpperChar(c, dottedI);
    return upper;
}

namespace {

uint16_t KnownCodePage(uint32_t id) {
    const TLocaleRow* row = FindRow(id);
    return row ? row->codePage : 0;
}

// The platform's 8-bit texts of a language (a locale given with text on the clipboard) use this table.
const bool CodePagesKnown = (SetLanguageCodePageLookup(KnownCodePage), true);

uint32_t UserLanguage() { return UserDefaultLangId(); }

// Text put on the clipboard names the user's language as this table has it.
const bool UserLanguageKnown = (SetUserLanguageLookup(UserLanguage), true);

}  // namespace

std::string MapAnsi(std::string_view text, uint32_t id) { return WideToAnsiOf(UpperText(AnsiToWideOf(text, id), id), id); }

}  // namespace kestrune
