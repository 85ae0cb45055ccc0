#pragma once
// Squelette du fichier C principal d'un projet, depuis un modèle « *.c.Modèle » : onze repères
// remplacés par les détails du projet, le microcontrôleur, sa fréquence, les inclusions des
// périphériques choisis et la configuration des ports.
#include "ui/DocumentRiche.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>

struct DétailsProjet {
    QString Version;
    QString Nom;
    QString Auteur;
    QString Entreprise;
    QString Commentaire; // peut tenir sur plusieurs lignes
    QString Date;
    QString Heure;
};

// Cases RCBLCD, RCBCAN, RCBRS232, RCBTimers, RCBDelay, dans cet ordre.
enum class Périphérique { LCD, CAN, RS232, Timers, Delay };
inline constexpr int NombrePériphériques = 5;

struct EntréesProjet {
    DétailsProjet détails;
    QString microContrôleur; // nom du composant tel que le fichier des possibilités l'écrit
    QString fréquenceCPU;    // F_CPU, en hertz
    std::array<bool, NombrePériphériques> périphériques{};
    QString textePorts; // texte de %Port%
    QString fichierConfiguration;
    QString dossierModèles;
    QString modèle; // vide : le premier de la liste
    QLocale locale;
};

struct RésultatProjet {
    bool généré = false;
    QString modèle; // le modèle employé
    QString blocInclude;
    QString texteFréquence; // « 8 MHz »
};

namespace GenerateurProjet {

// Noms des modèles du dossier (fichiers « *.c.Modèle » sans cette fin), dans l'ordre alphabétique.
QStringList listeModèles(const QString& dossierModèles);

// Bloc des inclusions : pour chaque périphérique coché, le bloc propre au composant s'il en a un,
// sinon celui de la racine du fichier, suivi d'un saut de ligne.
QString blocInclude(const QString& fichierConfiguration, const QString& microContrôleur,
                    const std::array<bool, NombrePériphériques>& périphériques);

// « 8 MHz », « 3,6864 MHz » : F_CPU en mégahertz, séparateur décimal de la langue donnée.
QString texteFréquence(const QString& fréquenceCPU, const QLocale& locale);

// Une valeur placée dans un commentaire n'en sort pas : « */ » et « /* » sont coupés et, dans un
// commentaire « // », chaque nouvelle ligne reste commentée. Ailleurs, la valeur est rendue telle quelle.
QString neutraliser(const QString& texte, qsizetype position, const QString& valeur);

} // namespace GenerateurProjet

// Remplit RTBInvisible depuis le modèle ; sans modèle, le message « Rararerovu » et rien n'est
// généré (le tampon garde son contenu).
RésultatProjet GénérerLeCodeProjet(const EntréesProjet& e, DocumentRiche& RTBInvisible);
