// Where a user-visible error message goes: a message box on a desktop, standard error here.
#pragma once

namespace txorb::platform {

using MessageSink = void (*)(const char* caption, const char* body);

// Shows the message and returns when the user has seen it.
void ShowMessage(const char* caption, const char* body);
void SetMessageSink(MessageSink sink);  // null restores the native sink; tests only

}  // namespace txorb::platform
