// Reading the head of an HTTP response from the bytes a server sends: up to
// the first blank line, with the status code and the header fields the
// client acts on.
#pragma once

#include <string>
#include <string_view>

namespace serverconf {

// A head longer than this is refused.
inline constexpr size_t kMaxHttpHeadSize = 65536;

class HttpResponseHead {
 public:
  // Adds one read. True once the head is complete: the text up to and
  // including the first CR LF CR LF is the head, what follows is the start
  // of the body. Data added after that goes to the body's start.
  bool Append(std::string_view data);
  bool Complete() const { return complete_; }
  // More than kMaxHttpHeadSize bytes arrived without the head's end.
  bool TooLarge() const { return !complete_ && text_.size() > kMaxHttpHeadSize; }

  const std::string& Text() const { return text_; }       // with the blank line
  const std::string& BodyStart() const { return body_start_; }

  // The three-digit code of a status line "HTTP/<version> <code> ..."; 0 when
  // the first line is not one.
  int StatusCode() const;
  // The value of the first header line whose name equals `name` ignoring case
  // (the text after "name:" to the line end, trimmed); empty when none.
  std::string Field(std::string_view name) const;

 private:
  std::string text_;
  std::string body_start_;
  bool complete_ = false;
};

}  // namespace serverconf
