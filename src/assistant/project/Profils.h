#pragma once
// Profils de l'onglet du projet : des choix nommés, gardés dans le fichier des réglages, qui
// remplissent l'onglet et la table des ports d'un seul clic.
#include "assistant/project/ConfigurationPorts.h"
#include "assistant/project/GenerateurProjet.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// Un profil : les choix de l'onglet du projet et de la fenêtre des ports.
struct Profil {
    std::array<bool, NombrePériphériques>
        includes{}; // ordre de Périphérique : LCD, CAN, RS232, Timers, Delay
    struct Port {
        QString nom;
        int direction = 0;
        int pullUp = 0;
        int ignorer = 0;
        // Valeurs connues : un profil chargé d'un fichier où elles manquent ne touche pas la table.
        bool avecDirection = true, avecPullUp = true, avecIgnorer = true;
    };
    std::vector<Port> ports; // dans l'ordre de la table
    QString baud;            // texte de CBBaud
    int modèle = -1;         // index dans ListeModèle (-1 : aucun)
    QString nomModèle;       // nom du modèle (attribut NomModèle de la valeur Modèle)
    int formatDate = -1, formatHeure = -1;
    QString version, auteur, entreprise, commentaires;
};

namespace Profils {

// Nombre de profils que le fichier des réglages peut tenir : une sauvegarde de plus est refusée.
inline constexpr int NombreMax = 1001;

// Chemin de l'élément « Profile » d'indice n (parmi tous ceux du nœud des profils).
QString chemin(int n);

QStringList noms(const QString& fichierParamètres); // dans l'ordre du document
// Sauve sous ce nom (écrase le profil du même nom exact, sinon ajoute à la fin). Nom vide ou avec
// un caractère de contrôle, ou NombreMax profils déjà là : refusé avec un message, faux. Échec
// d'écriture : message, faux.
bool sauver(const QString& fichierParamètres, const QString& nom, const Profil& profil,
            QString* chemin = nullptr);
// Charge le profil d'index n dans profil : seules les valeurs présentes dans le fichier remplacent
// celles de profil (une valeur absente laisse le champ tel qu'il était). Faux si n n'existe pas.
bool charger(const QString& fichierParamètres, int n, Profil& profil, QString* chemin = nullptr);
QString nom(const QString& fichierParamètres, int n);    // attribut Nom du profil n
bool supprimer(const QString& fichierParamètres, int n); // sans question : la fenêtre la pose
// Ports du profil vers la table : par le Nom enregistré quand le composant a un port de ce nom,
// par l'index sinon (jamais sur une ligne déjà prise par son nom) ; les lignes touchées deviennent
// réglées (réglage Fermé) ; les autres ne changent pas.
void appliquerPorts(const Profil& profil, TablePorts& table);
// Modèle à choisir dans la liste : l'index du nom s'il est dans la liste, sinon l'index enregistré
// s'il est valide, sinon -1.
int indexModèle(const Profil& profil, const QStringList& modèles);

} // namespace Profils
