#pragma once
// Projet d'essai en lecture seule le temps d'une portée (pour root, un dossier du noyau).
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
