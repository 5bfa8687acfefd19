// Byte streams: the seekable stream abstraction the archive reader, the
// catalogue loader and the command-line tool read and write through.
//
// A stream has a size and a position. Positions are plain signed numbers and
// may be set anywhere, before the start included: a read from a position
// outside [0, Size()) simply finds no bytes. Two reads are offered, as the
// archive reader needs both:
//   - Read():       the counting read; it returns how many bytes came.
//   - ReadBuffer(): read-exactly; it throws EReadError when fewer came.
// Write() is the counting write: it returns how many bytes were taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace nubra {

// The stream read error. Its text is Windows-1252, like every message the
// program shows.
class EReadError : public std::runtime_error {
public:
    EReadError() : std::runtime_error("Erreur de lecture du flux") {}
};

class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    virtual std::int64_t Size() const = 0;
    virtual std::int64_t Position() const = 0;
    virtual void Seek(std::int64_t position) = 0;

    // Counting read: copies up to count bytes from the position onward and
    // advances by what was copied. Never throws for lack of data.
    virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;

    // Counting write: writes at the position and advances; returns how many
    // bytes were taken (a read-only stream takes none).
    virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;

    // A hint that about `bytes` bytes are about to be written from the
    // position on. A stream that grows may make room for them at once
    // instead of growing piece by piece; nothing a reader of the stream can
    // see depends on it, and a wrong guess only costs time.
    virtual void Expect(std::int64_t bytes) { (void)bytes; }

    // Read-exactly: EReadError when the stream cannot supply count bytes.
    void ReadBuffer(void* buffer, std::int32_t count);
};

// Read-only stream over bytes owned by someone else (the embedded archive).
class TSpanStream final : public TStream {
public:
    explicit TSpanStream(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::int64_t Position() const override { return position_; }
    void Seek(std::int64_t position) override { position_ = position; }
    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void*, std::int32_t) override { return 0; }

private:
    std::span<const std::uint8_t> bytes_;
    std::int64_t position_ = 0;
};

// Growable in-memory stream. A write past the end grows it; a write at a
// negative position takes nothing.
class TMemoryStream final : public TStream {
public:
    // A stream refuses to grow beyond this many bytes (writes fall short),
    // so a hostile input can never make it allocate without bound.
    static constexpr std::int64_t kDefaultLimit = std::int64_t{1} << 30;

    TMemoryStream() = default;
    explicit TMemoryStream(std::int64_t limit) : limit_(limit) {}

    std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
    std::int64_t Position() const override { return position_; }
    void Seek(std::int64_t position) override { position_ = position; }
    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    // Reserves room up to the position plus `bytes`, never beyond the limit.
    void Expect(std::int64_t bytes) override;

    // Empties the stream: size and position 0 (the capacity is kept).
    void Clear();
    void Reserve(std::size_t bytes) { data_.reserve(bytes); }

    // Hands the bytes over without copying them: the stream is left empty,
    // size, position and capacity 0.
    std::vector<std::uint8_t> TakeBytes();

    const std::uint8_t* Memory() const { return data_.data(); }
    std::span<const std::uint8_t> Bytes() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
    std::int64_t position_ = 0;
    std::int64_t limit_ = kDefaultLimit;
};

// A file opened for reading, or created (truncated) for writing.
//
// Reads go through a buffer of kBufferSize bytes filled with pread(2) at the
// stream's position, so a reader that asks for small pieces one after the
// other (the archive reader takes 4,096 bytes at a time) costs one system
// call per buffer, and a Seek is only a new position: the next read is
// served from the buffer when it still holds that position. Writes go
// straight to the file with pwrite(2) at the position.
class TFileStream final : public TStream {
public:
    enum class Mode { Read, Create };
    static constexpr std::int32_t kBufferSize = 64 * 1024;

    // Throws std::runtime_error with a French message naming the file when
    // it cannot be opened.
    TFileStream(const std::string& path, Mode mode);
    ~TFileStream() override;

    std::int64_t Size() const override;
    std::int64_t Position() const override { return position_; }
    void Seek(std::int64_t position) override { position_ = position; }
    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;

private:
    int fd_ = -1;
    std::int64_t position_ = 0;
    std::unique_ptr<std::uint8_t[]> buffer_; // kBufferSize bytes, from the first read on
    std::int64_t bufferStart_ = 0;           // file position of buffer_[0]
    std::int64_t bufferLength_ = 0;          // valid bytes in buffer_
};

} // namespace nubra
