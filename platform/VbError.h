#pragma once

#include <QString>

#include <exception>

/**
 * A run-time error in the style the program's modules raise and catch: a
 * number, the source that raised it and a description. Procedures that
 * "catch no failures" let it reach the event handler that called them.
 */
class VbError : public std::exception
{
public:
    VbError(qint64 number, QString source, QString description)
        : m_number(number)
        , m_source(std::move(source))
        , m_description(std::move(description))
        , m_what(m_description.toStdString())
    {
    }

    qint64 number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    qint64 m_number;
    QString m_source;
    QString m_description;
    std::string m_what;
};

/** The text to show for a failure caught as std::exception: a VbError's own
 *  description, otherwise what() as the local code page gives it. */
inline QString DescribeError(const std::exception& e)
{
    if (const auto* vb = dynamic_cast<const VbError*>(&e))
        return vb->description();
    return QString::fromLocal8Bit(e.what());
}
