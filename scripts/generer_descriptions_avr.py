#!/usr/bin/env python3
"""Écrit les descriptions de composants « Description des AVR/<mcu>.xml ».

Un fichier par AVR classique (pas les XMEGA, ni les familles récentes dont les
fusibles sont une structure NVM_FUSES) pour lequel avr-libc décrit des
fusibles, des bits de verrouillage ou les deux. Chaque fichier donne les
octets de fusibles présents, le nom de chacun de leurs bits et les noms des
bits de verrouillage. Les faits viennent des en-têtes d'avr-libc installés
(avr/io.h choisit l'en-tête de chaque composant ; les sections des fusibles et
des bits de verrouillage de cet en-tête donnent les noms et les positions).

Bibliothèque standard seulement. Le résultat est déterministe : relancer le
script redonne des fichiers identiques à l'octet près, et retire du dossier de
sortie les descriptions d'anciens composants qu'il ne produit plus. Le texte
écrit est exactement celui que le magasin XML du programme produirait en
réenregistrant le fichier (indentation par tabulations, « <X /> » pour un
élément vide), pour qu'une ouverture suivie d'une fermeture n'y change rien.

Usage : python3 scripts/generer_descriptions_avr.py [--include DOSSIER] [--sortie DOSSIER]
  --include : dossier des en-têtes d'avr-libc (défaut /usr/lib/avr/include)
  --sortie  : dossier des descriptions (défaut data/Description des AVR du dépôt)
"""

import argparse
import os
import re
import sys

RACINE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SORTIE_PAR_DEFAUT = os.path.join(RACINE, "data", "Description des AVR")
INCLUDE_PAR_DEFAUT = "/usr/lib/avr/include"

# Titre de commentaire d'avr-libc -> octet de fusibles. Un composant à un seul
# octet (« Fuse Byte ») le range dans l'octet bas.
TITRES_OCTETS = [
    (re.compile(r"(low fuse|lfuse) byte$"), "LOW"),
    (re.compile(r"(high fuse|hfuse) byte$"), "HIGH"),
    (re.compile(r"(extended fuse|efuse) byte$"), "EXTENDED"),
    (re.compile(r"fuse byte$"), "LOW"),
]
# Titres qui ouvrent la section des fusibles sans nommer d'octet.
TITRES_SECTION = re.compile(r"fuses|fuse information$")
ORDRE_OCTETS = ["LOW", "HIGH", "EXTENDED"]
# Valeur par défaut d'avr-libc -> octet qu'elle décrit : sert à vérifier le
# rangement des bits.
DEFAUTS = {"LFUSE_DEFAULT": "LOW", "FUSE_DEFAULT": "LOW",
           "HFUSE_DEFAULT": "HIGH", "EFUSE_DEFAULT": "EXTENDED"}

# Macros de <avr/lock.h> -> bits de verrouillage nommés comme dans les fiches
# techniques (position dans l'octet de verrouillage, nom).
VERROUS = {
    "__LOCK_BITS_EXIST": [(0, "LB1"), (1, "LB2")],
    "__BOOT_LOCK_BITS_0_EXIST": [(2, "BLB01"), (3, "BLB02")],
    "__BOOT_LOCK_BITS_1_EXIST": [(4, "BLB11"), (5, "BLB12")],
    "__BOOT_LOCK_APPLICATION_TABLE_BITS_EXIST": [(2, "BLBAT0"), (3, "BLBAT1")],
    "__BOOT_LOCK_APPLICATION_BITS_EXIST": [(4, "BLBA0"), (5, "BLBA1")],
    "__BOOT_LOCK_BOOT_BITS_EXIST": [(6, "BLBB0"), (7, "BLBB1")],
}

# Nom montré pour un bit qui existe dans un octet décrit mais que l'en-tête ne
# nomme pas (bit inutilisé ou réservé) : un tiret, comme dans les fiches.
SANS_NOM = "-"


class ErreurGeneration(Exception):
    """Toute incohérence arrête le script : mieux vaut rien qu'un fichier faux."""


def exiger(condition, message):
    if not condition:
        raise ErreurGeneration(message)


def lire(chemin):
    with open(chemin, encoding="latin-1") as f:
        return f.read()


def entetes_par_macro(include):
    """Macro __AVR_<composant>__ -> en-tête choisi par avr/io.h."""
    resultat = {}
    en_attente = []
    for ligne in lire(os.path.join(include, "avr", "io.h")).splitlines():
        ligne = ligne.strip()
        if re.match(r"#\s*(el)?if\b", ligne):
            en_attente = re.findall(r"defined\s*\(?\s*(__AVR_\w+__)", ligne)
            continue
        m = re.match(r"#\s*include\s*<avr/(io\w*\.h)>", ligne)
        if m and en_attente:
            for macro in en_attente:
                resultat.setdefault(macro, m.group(1))
            en_attente = []
    return resultat


def est_classique(macro, texte):
    """Les XMEGA et les familles récentes (fusibles en structure NVM_FUSES,
    programmation UPDI) n'ont ni l'octet bas, haut, étendu ni les verrous des
    AVR classiques."""
    return not macro.startswith("__AVR_ATxmega") and "NVM_FUSES" not in texte


def decrire(include, entete, vus=None):
    """Octets de fusibles nommés et bits de verrouillage d'un en-tête de composant.

    Rend None quand l'en-tête (ni ceux qu'il inclut) n'a aucune des deux sections.
    """
    vus = set() if vus is None else vus
    if entete in vus:
        return None
    vus.add(entete)
    texte = lire(os.path.join(include, "avr", entete))

    if "FUSE_MEMORY_SIZE" not in texte and "__LOCK_BITS_EXIST" not in texte:
        # Certains en-têtes délèguent à un en-tête commun.
        for inclus in re.findall(r'#\s*include\s*[<"](?:avr/)?(io\w*\.h)[>"]', texte):
            d = decrire(include, inclus, vus)
            if d is not None:
                return d
        return None

    taille = None
    octets = {}
    octet = None
    dans_fusibles = False
    defauts = {}
    for ligne in texte.splitlines():
        ligne = ligne.strip()
        titre = re.match(r"/\*\s*(.*?)\s*\*/$", ligne)
        if titre:
            nom = titre.group(1).lower()
            trouve = next((o for motif, o in TITRES_OCTETS if motif.match(nom)), None)
            if trouve and dans_fusibles:
                octet = trouve
                exiger(octet not in octets, "%s : octet %s décrit deux fois" % (entete, octet))
                octets[octet] = {}
            elif TITRES_SECTION.match(nom):
                dans_fusibles = True
                octet = None
            elif "fuse" in nom and dans_fusibles:
                raise ErreurGeneration("%s : section inconnue « %s »" % (entete, titre.group(1)))
            elif dans_fusibles:
                dans_fusibles = False
                octet = None
            continue
        m = re.match(r"#define\s+FUSE_MEMORY_SIZE\s+(\d+)", ligne)
        if m:
            taille = int(m.group(1))
            continue
        m = re.match(r"#define\s+(\w*FUSE_DEFAULT)\s+(.*)", ligne)
        if m and m.group(1) in DEFAUTS:
            defauts[DEFAUTS[m.group(1)]] = re.findall(r"\bFUSE_(\w+)", m.group(2))
            continue
        m = re.match(r"#define\s+FUSE_(\w+)\s+(?:\(\s*unsigned\s+char\s*\)\s*)?~\s*_BV\(\s*(\d)\s*\)", ligne)
        if m:
            exiger(dans_fusibles and octet is not None, "%s : bit %s hors d'un octet" % (entete, m.group(1)))
            bit = int(m.group(2))
            exiger(bit not in octets[octet], "%s : bit %d de %s nommé deux fois" % (entete, bit, octet))
            octets[octet][bit] = m.group(1)

    exiger(taille is None or len(octets) <= taille,
           "%s : %d octets décrits pour FUSE_MEMORY_SIZE %s" % (entete, len(octets), taille))
    # Chaque bit cité par la valeur par défaut d'un octet doit y avoir été rangé.
    for o, noms in defauts.items():
        for nom in noms:
            exiger(nom in octets.get(o, {}).values(),
                   "%s : %s de %s_DEFAULT absent de l'octet" % (entete, nom, o))
    octets = {o: bits for o, bits in octets.items() if bits}

    verrous = {}
    for macro, bits in sorted(VERROUS.items()):
        if re.search(r"#define\s+%s\b" % re.escape(macro), texte):
            for bit, nom in bits:
                exiger(bit not in verrous, "%s : bit de verrouillage %d nommé deux fois" % (entete, bit))
                verrous[bit] = nom
    if not octets and not verrous:
        return None
    return octets, verrous


def echapper(texte):
    return texte.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def xml_description(nom_composant, entete, octets, verrous):
    """Texte du fichier, dans la forme exacte qu'enregistre le magasin XML."""
    lignes = ['<?xml version="1.0" encoding="UTF-8"?>',
              "<!-- Fusibles et verrous de %s, d'après avr/%s (avr-libc). -->" % (nom_composant, entete),
              "<AVRPART>"]

    def element(niveau, nom, valeur):
        lignes.append("\t" * niveau + "<%s>%s</%s>" % (nom, echapper(valeur), nom))

    def ouvrir(niveau, nom):
        lignes.append("\t" * niveau + "<%s>" % nom)

    def fermer(niveau, nom):
        lignes.append("\t" * niveau + "</%s>" % nom)

    ouvrir(1, "ADMIN")
    element(2, "PART_NAME", nom_composant)
    fermer(1, "ADMIN")

    presents = [o for o in ORDRE_OCTETS if o in octets]
    ouvrir(1, "FUSE")
    element(2, "LIST", "[" + ":".join(presents) + "]")
    for o in presents:
        ouvrir(2, o)
        for bit in range(8):
            ouvrir(3, "FUSE%d" % bit)
            element(4, "NAME", octets[o].get(bit, SANS_NOM))
            fermer(3, "FUSE%d" % bit)
        fermer(2, o)
    fermer(1, "FUSE")

    nombre = max(verrous) + 1 if verrous else 0
    ouvrir(1, "LOCKBIT")
    element(2, "NMB_LOCK_BITS", str(nombre))
    for bit in range(nombre):
        ouvrir(2, "LOCKBIT%d" % bit)
        element(3, "NAME", verrous.get(bit, SANS_NOM))
        fermer(2, "LOCKBIT%d" % bit)
    fermer(1, "LOCKBIT")

    lignes.append("</AVRPART>")
    return "\n".join(lignes) + "\n"


def generer(include, sortie):
    macros = entetes_par_macro(include)
    exiger(macros, "avr/io.h introuvable ou illisible dans " + include)
    os.makedirs(sortie, exist_ok=True)
    ecrits, ignores = [], []
    for macro in sorted(macros, key=lambda m: m.lower()):
        nom = macro[len("__AVR_"):-2]
        mcu = nom.lower()
        entete = macros[macro]
        if not est_classique(macro, lire(os.path.join(include, "avr", entete))):
            continue
        description = decrire(include, entete)
        if description is None:
            ignores.append((mcu, "avr/%s ne décrit ni fusibles ni verrous" % entete))
            continue
        exiger(mcu not in ecrits, "deux macros pour %s" % mcu)
        octets, verrous = description
        texte = xml_description(nom, entete, octets, verrous)
        chemin = os.path.join(sortie, mcu + ".xml")
        donnees = texte.encode("utf-8")
        ancien = None
        if os.path.exists(chemin):
            with open(chemin, "rb") as f:
                ancien = f.read()
        if ancien != donnees:
            with open(chemin, "wb") as f:
                f.write(donnees)
        ecrits.append(mcu)
    # Les descriptions que ce script ne produit plus ne restent pas dans le dossier.
    for fichier in sorted(os.listdir(sortie)):
        if fichier.endswith(".xml") and fichier[:-4] not in ecrits:
            os.remove(os.path.join(sortie, fichier))
    return ecrits, ignores


def main():
    parseur = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parseur.add_argument("--include", default=INCLUDE_PAR_DEFAUT)
    parseur.add_argument("--sortie", default=SORTIE_PAR_DEFAUT)
    args = parseur.parse_args()
    try:
        ecrits, ignores = generer(args.include, args.sortie)
    except (ErreurGeneration, OSError) as e:
        print("Erreur : %s" % e, file=sys.stderr)
        return 1
    print("%d descriptions dans %s" % (len(ecrits), args.sortie))
    for mcu, raison in ignores:
        print("  sans description : %s (%s)" % (mcu, raison))
    return 0


if __name__ == "__main__":
    sys.exit(main())
