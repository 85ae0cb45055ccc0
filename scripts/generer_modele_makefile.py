#!/usr/bin/env python3
"""Écrit data/Modèle/makefile.rtf, la configuration par défaut du makefile,
à partir de sa source en texte brut scripts/modele_makefile.mk.

La source fait foi : on modifie le .mk, puis on relance ce script. Le même
texte donne toujours le même RTF, octet pour octet.

    generer_modele_makefile.py              écrit le RTF
    generer_modele_makefile.py --verifier   échoue si le RTF n'est pas à jour
    generer_modele_makefile.py --texte RTF  écrit sur la sortie le texte d'un
                                            RTF produit ici (tabulations
                                            comprises, ce que unrtf ne rend
                                            pas)

Python 3, bibliothèque standard seulement.
"""

import argparse
import pathlib
import re
import sys

RACINE = pathlib.Path(__file__).resolve().parent.parent
SOURCE = RACINE / "scripts" / "modele_makefile.mk"
CIBLE = RACINE / "data" / "Modèle" / "makefile.rtf"

# Les réglages que Quillon lit et écrit : chacun doit commencer sa propre
# ligne, et cette ligne doit être la première occurrence que trouve la
# recherche du programme (mot entier, casse exacte).
CLES = [
    "MCU =", "F_CPU =", "OPT =", "FORMAT =", "EXTRAINCDIRS =", "DIRAVR =",
    "AVRDUDE_PROGRAMMER =", "AVRDUDE_PORT =", "AVRDUDE_FLAGS =",
    "CompilCoff =", "DEBUG =", "AffichageMemoire =", "TARGET =", "BAUD =",
    "AVRStudioExclusif =",
]

# Police à chasse fixe, commentaires en vert foncé : le makefile se lit
# comme dans un éditeur de programmes.
ENTETE = (
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1036"
    "{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}\n"
    "{\\colortbl ;\\red0\\green128\\blue0;}\n"
    "\\viewkind4\\uc1\\pard\\plain\\f0\\fs20\n"
)
FIN = "}\n"


def verifier_cles(texte):
    """Refuse un texte où la recherche d'un réglage tomberait ailleurs qu'au
    début de sa ligne (dans un commentaire, par exemple)."""
    erreurs = []
    for cle in CLES:
        debut = 0
        while True:
            pos = texte.find(cle, debut)
            if pos < 0:
                erreurs.append(f"« {cle} » absent")
                break
            avant = texte[pos - 1] if pos > 0 else "\n"
            if avant.isalnum() or avant == "_":
                debut = pos + 1
                continue
            if avant != "\n":
                ligne = texte.count("\n", 0, pos) + 1
                erreurs.append(f"« {cle} » trouvé d'abord ligne {ligne}, pas en début de ligne")
            break
    return erreurs


def echapper(ligne):
    morceaux = []
    for c in ligne:
        if c == "\\":
            morceaux.append("\\\\")
        elif c == "{":
            morceaux.append("\\{")
        elif c == "}":
            morceaux.append("\\}")
        elif c == "\t":
            morceaux.append("\\tab ")
        elif " " <= c <= "~":
            morceaux.append(c)
        elif ord(c) < 0x20 or ord(c) == 0x7F:
            raise ValueError(f"caractère de contrôle {ord(c):#x} dans la source")
        else:
            try:
                octet = c.encode("cp1252")
                morceaux.append(f"\\'{octet[0]:02x}")
            except UnicodeEncodeError:
                code = ord(c)
                if code > 0xFFFF:
                    raise ValueError(f"caractère {c!r} hors du plan de base")
                if code > 0x7FFF:
                    code -= 0x10000
                morceaux.append(f"\\u{code}?")
    return "".join(morceaux)


def texte_vers_rtf(texte):
    if "\r" in texte:
        raise ValueError("la source doit avoir des fins de ligne LF")
    if not texte.endswith("\n"):
        raise ValueError("la source doit finir par une fin de ligne")
    corps = []
    for ligne in texte[:-1].split("\n"):
        if ligne.startswith("#"):
            corps.append("\\cf1 " + echapper(ligne) + "\\cf0\\par\n")
        else:
            corps.append(echapper(ligne) + "\\par\n")
    return ENTETE + "".join(corps) + FIN


def rtf_vers_texte(rtf):
    """Lecteur minimal, pour le RTF écrit ici : paragraphes, tabulations,
    \\'hh en cp1252, \\uN, caractères échappés ; les tables sont sautées."""
    sortie = []
    pile = []
    saute = False
    a_sauter = 0  # caractères de remplacement après \uN
    i = 0
    n = len(rtf)
    motif = re.compile(r"\\([a-zA-Z]+)(-?\d+)? ?")
    while i < n:
        c = rtf[i]
        if c == "{":
            pile.append(saute)
            i += 1
            if rtf.startswith("\\*", i):
                saute = True
        elif c == "}":
            saute = pile.pop()
            i += 1
        elif c in "\r\n":
            i += 1
        elif c == "\\":
            suivant = rtf[i + 1]
            if suivant in "\\{}":
                if not saute:
                    sortie.append(suivant)
                i += 2
            elif suivant == "'":
                octet = bytes([int(rtf[i + 2:i + 4], 16)])
                if a_sauter:
                    a_sauter -= 1
                elif not saute:
                    sortie.append(octet.decode("cp1252"))
                i += 4
            elif suivant == "*":
                saute = True
                i += 2
            else:
                m = motif.match(rtf, i)
                if not m:
                    i += 2
                    continue
                mot, param = m.group(1), m.group(2)
                i = m.end()
                if mot in ("fonttbl", "colortbl", "stylesheet", "info"):
                    saute = True
                elif saute:
                    pass
                elif mot == "par" or mot == "line":
                    sortie.append("\n")
                elif mot == "tab":
                    sortie.append("\t")
                elif mot == "u":
                    code = int(param)
                    sortie.append(chr(code + 0x10000 if code < 0 else code))
                    a_sauter = 1
        else:
            if a_sauter:
                a_sauter -= 1
            elif not saute:
                sortie.append(c)
            i += 1
    return "".join(sortie)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    groupe = parser.add_mutually_exclusive_group()
    groupe.add_argument("--verifier", action="store_true",
                        help="échoue si le RTF n'est pas celui que donne la source")
    groupe.add_argument("--texte", metavar="RTF", help="écrit le texte d'un RTF produit ici")
    args = parser.parse_args()

    if args.texte:
        rtf = pathlib.Path(args.texte).read_text(encoding="ascii")
        sys.stdout.buffer.write(rtf_vers_texte(rtf).encode("utf-8"))
        return 0

    texte = SOURCE.read_text(encoding="utf-8")
    erreurs = verifier_cles(texte)
    if erreurs:
        for e in erreurs:
            print(f"{SOURCE.name} : {e}", file=sys.stderr)
        return 1
    rtf = texte_vers_rtf(texte)
    if rtf_vers_texte(rtf) != texte:
        print("le RTF produit ne redonne pas la source", file=sys.stderr)
        return 1
    octets = rtf.encode("ascii")

    if args.verifier:
        if not CIBLE.exists() or CIBLE.read_bytes() != octets:
            print(f"{CIBLE} n'est pas à jour : relancez {pathlib.Path(__file__).name}",
                  file=sys.stderr)
            return 1
        return 0

    CIBLE.parent.mkdir(parents=True, exist_ok=True)
    CIBLE.write_bytes(octets)
    return 0


if __name__ == "__main__":
    sys.exit(main())
