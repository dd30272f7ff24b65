#pragma once
// TempProgramDir: a fresh, empty program folder for one test. It points
// $QUILLPOST_HOME at a new temporary folder for as long as it lives and puts
// the previous value back afterwards; the folder is removed with it.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TempProgramDir {
public:
    TempProgramDir() : previous_(qgetenv("QUILLPOST_HOME")), hadPrevious_(qEnvironmentVariableIsSet("QUILLPOST_HOME"))
    {
        qputenv("QUILLPOST_HOME", dir_.path().toUtf8());
    }
    ~TempProgramDir()
    {
        if (hadPrevious_)
            qputenv("QUILLPOST_HOME", previous_);
        else
            qunsetenv("QUILLPOST_HOME");
    }
    TempProgramDir(const TempProgramDir&) = delete;
    TempProgramDir& operator=(const TempProgramDir&) = delete;

    // The folder, with a trailing '/'.
    QString path() const { return dir_.path() + QLatin1Char('/'); }
    bool isValid() const { return dir_.isValid(); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};
