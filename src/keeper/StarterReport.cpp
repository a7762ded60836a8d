#include "keeper/StarterReport.h"

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

void StarterReport::tell(const char* word)
{
    const size_t length = std::strlen(word);
    char line[32];
    if (length + 1 > sizeof line)
        return;
    std::memcpy(line, word, length);
    line[length] = '\n';
    // A starter that is gone no longer needs the answer; it must not end us.
    (void)!::write(STDOUT_FILENO, line, length + 1);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
}
