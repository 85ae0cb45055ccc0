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
    QString textePorts;   // texte de %Port%
    QString vitesseSérie; // BAUD du makefile, pour le bloc de la liaison série
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

// Bloc des inclusions : pour chaque périphérique coché, le bloc propre au composant (le premier de
// ce nom dans le fichier) s'il en a un, sinon celui de la racine du fichier, suivi d'un saut de
// ligne. « %Vitesse% » y devient vitesseSérie ; si un bloc coché la demande et qu'elle n'est pas
// valide, *vitesseManquante devient vrai.
QString blocInclude(const QString& fichierConfiguration, const QString& microContrôleur,
                    const std::array<bool, NombrePériphériques>& périphériques,
                    const QString& vitesseSérie = {}, bool* vitesseManquante = nullptr);

// « 8 MHz », « 3,6864 MHz » : F_CPU en mégahertz, séparateur décimal de la langue donnée.
QString texteFréquence(const QString& fréquenceCPU, const QLocale& locale);

// Une valeur placée dans un commentaire n'en sort pas : « */ » et « /* » sont coupés, une barre
// oblique inverse en fin de ligne (blancs après elle compris) et le trigraphe « ??/ » ne joignent
// plus la ligne suivante et, dans un commentaire « // », chaque nouvelle ligne reste commentée.
// Ailleurs, la valeur est rendue telle quelle.
QString neutraliser(const QString& texte, qsizetype position, const QString& valeur);

} // namespace GenerateurProjet

// Remplit RTBInvisible depuis le modèle, chaque repère remplacé en un seul passage : le texte
// inséré pour un repère n'est jamais relu pour un autre. Sans modèle, le message « Rararerovu » ;
// modèle vide, ou liaison série cochée sans vitesse valide : un message ; rien n'est alors généré
// (le tampon garde son contenu).
RésultatProjet GénérerLeCodeProjet(const EntréesProjet& e, DocumentRiche& RTBInvisible);
