#pragma once
// The window's languages. Japanese, the window's own wording, is shown unless English is
// asked for; no translation is taken from the system's locale.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "app/status_texts.h"

namespace velmar {

enum class Language { Japanese, English };

// "ja", "en"; nothing for any other name.
std::optional<Language> languageNamed(std::string_view name);
const char* languageCode(Language language);

// Installs the translation of `language` (the built-in one for English) in the application;
// false when it cannot be loaded, and the window stays in Japanese.
bool useLanguage(Language language);

// A text handed up by the layers below, as the window shows it in the language in use. Texts
// built from pieces are English already; the few Japanese words inside them are translated
// where they occur.
QString shownText(const std::string& text);

// One of the window's added texts in the language in use.
QString statusText(const char* text);

}  // namespace velmar
