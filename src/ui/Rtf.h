#pragma once
// Lecteur et écrivain RTF : ce qu'écrivent WordPad, Word, LibreOffice et pandoc (tables des
// polices et des couleurs, gras, italique, couleur, police, taille, paragraphes, tabulations,
// caractères \'hh en page de code 1252 et \uN), les destinations inconnues étant sautées.
#include "ui/DocumentRiche.h"

#include <QByteArray>
#include <QChar>

namespace Rtf {

// Vrai si les données commencent (après d'éventuels blancs) par « {\rtf ».
bool estRtf(const QByteArray& données);

// Lit un RTF. Les sauts de paragraphe et de ligne deviennent CR LF. Un RTF tronqué ou mal formé
// donne ce qui a pu être lu, sans jamais échouer. formatDeBase sert aux caractères qu'aucun mot
// de contrôle ne décrit (police absente de la table, par exemple).
ContenuRiche lire(const QByteArray& données, const FormatCaractere& formatDeBase = {});

// Écrit un RTF que ce lecteur relit à l'identique (texte, gras, italique, couleur, police, taille
// au demi-point), lisible par les traitements de texte et unrtf. Hors ASCII : \uN suivi de son
// équivalent \'hh en 1252, ou de « ? ».
QByteArray écrire(const ContenuRiche& contenu);

// Page de code Windows-1252 : caractère d'un octet (les cinq octets sans caractère donnent le
// point de code de même valeur, pour que l'aller-retour garde chaque octet).
QChar caractère1252(std::uint8_t octet);
// Octet d'un caractère ; faux si la page de code ne l'a pas.
bool octet1252(QChar c, std::uint8_t& octet);

} // namespace Rtf
