#pragma once
// Faux avrdude pour les tests : un script placé en tête de PATH le temps d'un test.
#include "makefile/TablesPartiesAvrdude.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

class FauxAvrdude final {
public:
    // script : corps d'un script sh ; vide : aucun avrdude dans PATH.
    explicit FauxAvrdude(const QByteArray& script) : ancienChemin_(qgetenv("PATH")) {
        if (!script.isEmpty()) {
            QFile f(dossier_.filePath(QStringLiteral("avrdude")));
            if (f.open(QIODevice::WriteOnly)) {
                f.write("#!/bin/sh\n" + script + "\n");
                f.close();
                f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            }
        }
        // Sans script, PATH ne garde que le dossier vide : avrdude y est introuvable.
        const QByteArray chemin = QFile::encodeName(dossier_.path());
        qputenv("PATH", script.isEmpty() ? chemin : chemin + ':' + ancienChemin_);
        TablesPartiesAvrdude::réinitialiser();
    }
    ~FauxAvrdude() {
        qputenv("PATH", ancienChemin_);
        TablesPartiesAvrdude::réinitialiser();
    }
    FauxAvrdude(const FauxAvrdude&) = delete;
    FauxAvrdude& operator=(const FauxAvrdude&) = delete;

    QString dossier() const { return dossier_.path(); }

private:
    QTemporaryDir dossier_;
    QByteArray ancienChemin_;
};
