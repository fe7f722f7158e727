#pragma once

#include <QByteArray>

#include <functional>

/**
 * What a piece of the program did when run by a user whom file permissions
 * bind: in a child process as "nobody" when the tests run as root (who may
 * write anywhere, whatever the modes say), else as the test's own user.
 */
struct AsAnotherUser
{
    int status = -1;   // the body's result; 101: no user "nobody"; -1: did not end
    QByteArray output; // what the body gave back
};

/** Runs `body` as such a user in a child process; it returns its result
 *  (0 to 100) and may fill `output` for the test to read. */
AsAnotherUser RunAsAnotherUser(const std::function<int(QByteArray& output)>& body);
