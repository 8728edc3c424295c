#pragma once
// 設定 → Language: English and 日本語, each named in its own language so a reader of either
// finds it. A choice is remembered and takes effect at the next start: the window's captions
// are set once, when it is built.

#include <QMainWindow>
#include <functional>

#include "app/translation.h"

namespace velmar {

// `remember` saves a choice and says whether it could. The entry of `current` is checked.
void addLanguageMenu(QMainWindow& window, Language current, std::function<bool(Language)> remember);

}  // namespace velmar
