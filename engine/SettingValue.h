#pragma once
// Reading one setting's value the way the editor shows it.
#include <optional>
#include <string>
#include <string_view>

// The value of `tag` written as `text`: one of the tag's editor texts ("1/16", "by pitch",
// "C5", "---"), or a number where the editor shows that very number. Gate and Swing may carry
// a "%", the check boxes read "on" and "off". On failure `error` says why, in one line.
std::optional<int> ParseSettingValue(int tag, std::string_view text, std::string& error);
