#include "BuildStamp.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << TRELVO_VERSION_MAJOR << "\n";
    return 0;
}
