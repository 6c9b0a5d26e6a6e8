// Reading one SMTP reply from the bytes a server sends: the continuation
// lines of a multi-line reply ("250-...") are dropped, the last line is the
// reply.
#pragma once

#include <string>
#include <string_view>

namespace mailclient {

// A reply is read in reads of at most this many bytes and ends, whatever
// arrived, once it holds this many characters.
inline constexpr size_t kReplyReadSize = 255;
inline constexpr size_t kMaxReplyLength = 1000;

// Appends `data` (one read) to `reply`, then drops from its front every
// complete line (ended by CR LF) whose fourth character is "-". True when the
// reply is complete: it ends with CR LF (which is removed) or holds at least
// kMaxReplyLength characters. False: more is to be read.
bool AppendReplyData(std::string& reply, std::string_view data);

// The number formed by the first three characters; 0 when they are not three
// digits.
int ReplyCode(std::string_view reply);

}  // namespace mailclient
