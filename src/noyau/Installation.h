#pragma once
// Où sont les données, l'aide et le programme des fenêtres, d'après le dossier du programme ; où
// sont les réglages de l'utilisateur. L'installation ne s'écrit jamais.
#include <QString>

namespace Installation {

struct Emplacements {
    QString données;           // Configuration.xml, Modèle/, Skin/, Paramètres.xml livré…
    QString aide;              // index.html et sa feuille de style
    QString programmeFenêtres; // le programme qui montre fenêtres et messages
};

// Trois dispositions : données à côté du programme (arbre de construction, dossier autonome), ou
// préfixe habituel (bin/quillon, lib/quillon/quillon-fenetres, share/quillon/, share/doc/quillon/),
// vu depuis bin/ comme depuis lib/quillon/. Sans données nulle part, le dossier du programme.
Emplacements depuis(const QString& dossierProgramme);

// $XDG_CONFIG_HOME/quillon/Paramètres.xml, sinon ~/.config/quillon/Paramètres.xml ; vide, avec la
// raison, quand aucun dossier personnel n'est connu.
QString fichierRéglages(QString* erreur = nullptr);

// Crée le fichier des réglages s'il manque, copie de celui de l'installation (à défaut de la copie
// intacte ; sans l'une ni l'autre, seul son dossier est créé). Faux, avec la raison, si son dossier
// ne peut pas être créé ou le fichier écrit. Un fichier présent, même abîmé, n'est jamais touché.
bool préparerRéglages(const QString& fichier, const QString& données, QString* erreur = nullptr);

} // namespace Installation
