// Feeds arbitrary bytes to the key-script parser: it gives either an error on a line of the
// script and no tokens, or tokens that are all well formed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/key_script.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tivor::ScriptToken;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const tivor::KeyScript got = tivor::parse_key_script(text);
  if (!got.ok()) {
    const auto lines = 1 + std::count(text.begin(), text.end(), '\n');
    if (!got.tokens.empty() || got.error->line < 1 || got.error->line > lines ||
        got.error->message.empty()) {
      __builtin_trap();
    }
    return 0;
  }
  if (got.tokens.size() > size) __builtin_trap();
  for (const ScriptToken& t : got.tokens) {
    switch (t.kind) {
      case ScriptToken::Kind::kKey:
        if (t.key == 0 || t.key < -255 || t.key > 255) __builtin_trap();
        break;
      case ScriptToken::Kind::kMouse:
        if (t.button < 1 || t.button > 3 || t.x < 1 || t.x > 640 || t.y < 1 || t.y > 350) {
          __builtin_trap();
        }
        break;
      case ScriptToken::Kind::kShot:
      case ScriptToken::Kind::kText:
        // The name becomes a file in the shots directory: never a path.
        if (t.name.empty() || t.name.find_first_of("/\\") != std::string::npos) __builtin_trap();
        break;
      case ScriptToken::Kind::kPollEsc:
        break;
    }
  }
  return 0;
}
