#pragma once
// Le projet d'essai où rien ne peut s'écrire, le temps d'une portée. root passe outre les droits :
// le répertoire de travail devient alors un dossier du noyau, où rien ne s'écrit non plus.
#include "noyau/EtatGlobal.h"
#include "outils/EssaiConfiguration.h"

#include <QFile>
#include <unistd.h>

class ProjetEnLectureSeule {
public:
    explicit ProjetEnLectureSeule(const EssaiConfiguration& essai)
        : m_projet(essai.projet()), m_travail(etatGlobal().RépertoireDeTravail) {
        if (geteuid() == 0)
            etatGlobal().RépertoireDeTravail = QStringLiteral("/proc/self/fdinfo");
        else
            QFile::setPermissions(m_projet, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~ProjetEnLectureSeule() {
        QFile::setPermissions(m_projet, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        etatGlobal().RépertoireDeTravail = m_travail;
    }
    ProjetEnLectureSeule(const ProjetEnLectureSeule&) = delete;
    ProjetEnLectureSeule& operator=(const ProjetEnLectureSeule&) = delete;

private:
    QString m_projet, m_travail;
};
