// Captured standard output and error, and fed standard input, for the
// lifetime of an object: for the tests and the fuzz targets alike.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

namespace testsupport {

/// Redirects a standard stream into a string for the lifetime of the
/// object.
class StreamCapture {
 public:
  explicit StreamCapture(std::ostream& stream)
      : stream_(stream), saved_(stream.rdbuf(buffer_.rdbuf())) {}
  ~StreamCapture() { stream_.rdbuf(saved_); }
  StreamCapture(const StreamCapture&) = delete;
  StreamCapture& operator=(const StreamCapture&) = delete;
  std::string text() const { return buffer_.str(); }

 private:
  std::ostream& stream_;
  std::ostringstream buffer_;
  std::streambuf* saved_;
};

class CoutCapture : public StreamCapture {
 public:
  CoutCapture() : StreamCapture(std::cout) {}
};

class CerrCapture : public StreamCapture {
 public:
  CerrCapture() : StreamCapture(std::cerr) {}
};

/// Feeds a text to std::cin for the lifetime of the object.
class CinFeed {
 public:
  explicit CinFeed(const std::string& text)
      : buffer_(text), saved_(std::cin.rdbuf(buffer_.rdbuf())) {}
  ~CinFeed() { std::cin.rdbuf(saved_); }
  CinFeed(const CinFeed&) = delete;
  CinFeed& operator=(const CinFeed&) = delete;

 private:
  std::istringstream buffer_;
  std::streambuf* saved_;
};

}  // namespace testsupport
