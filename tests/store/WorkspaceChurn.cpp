// Child of the workspace crash test: Loads, page saves and Create News in a loop until it is killed. Before
// and after each step it writes "b N" and "e N" straight to stdout, so the killer knows what was under way.
#include "Project.h"
#include "TextFile.h"

#include <QString>

#include <string>

#include <unistd.h>

namespace {

void say(const std::string& line) {
    const std::string out = line + "\n";
    (void)!::write(1, out.data(), out.size());
}

Status step(const QString& folder, long n) {
    switch (n % 5) {
    case 0:
        return Project::LoadProject(folder, QStringLiteral("A.prj"));
    case 2:
        return Project::LoadProject(folder, QStringLiteral("B.prj"));
    case 4:
        return Project::New_Workspace(folder);
    default:
        return TextFile::writeLines(folder + QStringLiteral("S1.txt"),
                                    {QStringLiteral("topic"), QStringLiteral("save %1").arg(n)});
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    say("r");
    for (long n = 0;; ++n) {
        say("b " + std::to_string(n));
        if (!step(folder, n).ok())
            return 1;
        say("e " + std::to_string(n));
    }
}
