// TQVException: the error the module raises; it travels out of the host's call into the module.
#pragma once

#include "qv/platform.h"

// Owned payload of an exception; destroyed with the exception that holds it.
struct TQVExceptionAttachment {
    virtual ~TQVExceptionAttachment() = default;
};

class QV_EXPORT_TYPE TQVException {
public:
    explicit TQVException(QVResult code, const char* sourceName = nullptr, int32_t line = 0)
        : code(code), sourceName(sourceName), line(line), attachment(nullptr) {}

    // Copying moves the attachment to the copy.
    TQVException(const TQVException& other)
        : code(other.code), sourceName(other.sourceName), line(other.line),
          attachment(other.attachment) {
        other.attachment = nullptr;
    }
    TQVException& operator=(const TQVException& other) {
        if (this != &other) {
            delete attachment;
            code = other.code;
            sourceName = other.sourceName;
            line = other.line;
            attachment = other.attachment;
            other.attachment = nullptr;
        }
        return *this;
    }
    virtual ~TQVException() { delete attachment; }

    virtual const char* source() const { return sourceName; }

    QVResult code;
    const char* sourceName;
    int32_t line;
    mutable TQVExceptionAttachment* attachment;
};

namespace qv {

[[noreturn]] inline void raise(QVResult code, const char* sourceName = nullptr, int32_t line = 0) {
    throw TQVException(code, sourceName, line);
}

}  // namespace qv
