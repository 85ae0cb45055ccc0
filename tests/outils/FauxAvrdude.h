#pragma once
// Faux avrdude en tête de PATH le temps d'un test ; sans script, PATH n'a plus d'avrdude.
#include "makefile/TablesPartiesAvrdude.h"
#include "outils/OutilsTests.h"

#include <QFile>

class FauxAvrdude final {
public:
    explicit FauxAvrdude(const QByteArray& script)
        : path_("PATH", QFile::encodeName(dossier_.path()) +
                            (script.isEmpty() ? QByteArray() : ":" + qgetenv("PATH"))) {
        if (!script.isEmpty())
            OutilsTests::ecrireScript(dossier_.filePath(QStringLiteral("avrdude")), script);
        TablesPartiesAvrdude::réinitialiser();
    }
    ~FauxAvrdude() { TablesPartiesAvrdude::réinitialiser(); }

    QString dossier() const { return dossier_.path(); }

private:
    QTemporaryDir dossier_;
    OutilsTests::VariableEnvironnement path_;
};
