#include "support/AsAnotherUser.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

AsAnotherUser RunAsAnotherUser(const std::function<int(QByteArray& output)>& body)
{
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(101);
        QByteArray output;
        const int result = body(output);
        (void)!::write(out[1], output.constData(), static_cast<size_t>(output.size()));
        ::_exit(result);
    }
    ::close(out[1]);
    AsAnotherUser ran;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
        ran.output.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        ran.status = WEXITSTATUS(status);
    return ran;
}
