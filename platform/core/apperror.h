#pragma once

// The one kind of error the program shows its user: the message is code page
// 932 text, ready for the error reporter's message box.

#include <exception>
#include <string>

class AppError : public std::exception
{
public:
    explicit AppError(std::string cp932Message) : m_message(std::move(cp932Message)) {}

    const std::string &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};
