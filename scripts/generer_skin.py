#!/usr/bin/env python3
"""Dessine et synthétise l'apparence « Plume » : images, sons et icône d'onglet.

Bibliothèque standard seulement, pour que n'importe quel poste puisse
régénérer les fichiers. Le résultat est déterministe : relancer le script
redonne des fichiers identiques à l'octet près.

Usage : python3 scripts/generer_skin.py   (depuis n'importe quel dossier)
"""

import math
import os
import struct
import sys
import wave
import zlib

RACINE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DOSSIER_SKIN = os.path.join(RACINE, "data", "Skin", "Plume")
DOSSIER_IMAGE = os.path.join(RACINE, "data", "image")


class ErreurGeneration(Exception):
    """Toute incohérence arrête le script : mieux vaut rien qu'un fichier faux."""


def exiger(condition, message):
    if not condition:
        raise ErreurGeneration(message)


# ---------------------------------------------------------------------------
# Formes : chacune sait dire si un point est dedans et donne sa boîte englobante
# (la boîte évite de tester les formes loin du point).
# ---------------------------------------------------------------------------

class Forme:
    boite = (0.0, 0.0, 0.0, 0.0)

    def contient(self, x, y):
        raise NotImplementedError


class Cercle(Forme):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r2 = cx, cy, r * r
        self.boite = (cx - r, cy - r, cx + r, cy + r)

    def contient(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        return dx * dx + dy * dy <= self.r2


class Ellipse(Forme):
    def __init__(self, cx, cy, rx, ry):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry
        self.boite = (cx - rx, cy - ry, cx + rx, cy + ry)

    def contient(self, x, y):
        dx, dy = (x - self.cx) / self.rx, (y - self.cy) / self.ry
        return dx * dx + dy * dy <= 1.0


class Capsule(Forme):
    """Segment épaissi à bouts ronds : bras, traits."""

    def __init__(self, ax, ay, bx, by, r):
        self.ax, self.ay, self.bx, self.by, self.r2 = ax, ay, bx, by, r * r
        self.ux, self.uy = bx - ax, by - ay
        self.l2 = self.ux * self.ux + self.uy * self.uy
        exiger(self.l2 > 0, "capsule de longueur nulle")
        self.boite = (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r)

    def contient(self, x, y):
        t = ((x - self.ax) * self.ux + (y - self.ay) * self.uy) / self.l2
        t = 0.0 if t < 0.0 else (1.0 if t > 1.0 else t)
        dx = x - (self.ax + t * self.ux)
        dy = y - (self.ay + t * self.uy)
        return dx * dx + dy * dy <= self.r2


class RectArrondi(Forme):
    def __init__(self, cx, cy, dl, dh, r):
        self.cx, self.cy, self.dl, self.dh, self.r = cx, cy, dl, dh, r
        self.boite = (cx - dl, cy - dh, cx + dl, cy + dh)

    def contient(self, x, y):
        qx = abs(x - self.cx) - (self.dl - self.r)
        qy = abs(y - self.cy) - (self.dh - self.r)
        if qx <= 0.0 or qy <= 0.0:
            return qx <= self.r and qy <= self.r
        return qx * qx + qy * qy <= self.r * self.r


class Anneau(Forme):
    """Arc épais (sourcils) : couronne limitée à un secteur d'angles."""

    def __init__(self, cx, cy, r, epaisseur, angle_min, angle_max):
        self.cx, self.cy = cx, cy
        self.rmin2 = (r - epaisseur / 2) ** 2
        self.rmax2 = (r + epaisseur / 2) ** 2
        self.amin, self.amax = angle_min, angle_max
        rr = r + epaisseur / 2
        self.boite = (cx - rr, cy - rr, cx + rr, cy + rr)

    def contient(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        d2 = dx * dx + dy * dy
        if d2 < self.rmin2 or d2 > self.rmax2:
            return False
        return self.amin <= math.atan2(dy, dx) <= self.amax


class Etincelle(Forme):
    """Étoile à quatre branches (astroïde) : l'éclat « magique » de l'assistante."""

    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.sr = cx, cy, math.sqrt(r)
        self.boite = (cx - r, cy - r, cx + r, cy + r)

    def contient(self, x, y):
        return math.sqrt(abs(x - self.cx)) + math.sqrt(abs(y - self.cy)) <= self.sr


class DemiPlan(Forme):
    """Points dont y est au-delà (ou en deçà) d'un seuil ; sert à couper."""

    def __init__(self, seuil, dessous=True):
        self.seuil, self.dessous = seuil, dessous
        self.boite = (-1e9, -1e9, 1e9, 1e9)

    def contient(self, x, y):
        return (y >= self.seuil) if self.dessous else (y <= self.seuil)


class Inter(Forme):
    def __init__(self, *formes):
        self.formes = formes
        b = [f.boite for f in formes]
        self.boite = (max(c[0] for c in b), max(c[1] for c in b),
                      min(c[2] for c in b), min(c[3] for c in b))

    def contient(self, x, y):
        return all(f.contient(x, y) for f in self.formes)


class Union(Forme):
    def __init__(self, *formes):
        self.formes = formes
        b = [f.boite for f in formes]
        self.boite = (min(c[0] for c in b), min(c[1] for c in b),
                      max(c[2] for c in b), max(c[3] for c in b))

    def contient(self, x, y):
        return any(f.contient(x, y) for f in self.formes)


class Sauf(Forme):
    def __init__(self, forme, trou):
        self.forme, self.trou = forme, trou
        self.boite = forme.boite

    def contient(self, x, y):
        return self.forme.contient(x, y) and not self.trou.contient(x, y)


class Plume(Forme):
    """Vexille de la plume : une nervure courbe et une demi-largeur qui varie,
    avec quelques encoches en dents de scie comme une vraie plume ébouriffée.
    `marge` grossit la forme (contour) ; `cote` -1/+1 ne garde qu'un côté."""

    HAUT, BAS = 8.0, 156.0
    LARGEUR = 48.0

    # (côté, t de départ, longueur en t, profondeur relative)
    ENCOCHES = ((-1, 0.17, 0.08, 0.30), (1, 0.25, 0.08, 0.30), (-1, 0.47, 0.07, 0.22))

    def __init__(self, marge=0.0, cote=0):
        self.marge, self.cote = marge, cote
        self.boite = (80 - self.LARGEUR - marge - 10, self.HAUT - marge,
                      80 + self.LARGEUR + marge + 10, self.BAS + marge)

    @staticmethod
    def t_de(y):
        return (y - Plume.HAUT) / (Plume.BAS - Plume.HAUT)

    @staticmethod
    def nervure(t):
        # Légère courbure : la pointe part vers la droite.
        return 78.0 + 14.0 * (1.0 - t) ** 3

    @classmethod
    def demi_largeur(cls, t, cote):
        if t <= 0.0 or t >= 1.0:
            return 0.0
        w = cls.LARGEUR * math.sin(math.pi * t ** 0.8) ** 0.85
        if cote > 0:
            w *= 0.93  # une plume n'est jamais symétrique
        for c, t0, lg, prof in cls.ENCOCHES:
            if c == cote and t0 <= t <= t0 + lg:
                # Dent de scie : l'encoche se creuse puis se referme d'un coup.
                w *= 1.0 - prof * (t - t0) / lg
        return w

    def contient(self, x, y):
        if y < self.HAUT - self.marge or y > self.BAS + self.marge:
            return False
        t = self.t_de(y)
        dx = x - self.nervure(min(max(t, 0.0), 1.0))
        cote = 1 if dx >= 0 else -1
        if self.cote and cote != self.cote:
            return False
        marge = self.marge
        if marge > 0 and not 0.0 < t < 1.0:
            # Bout arrondi du contour au-delà de la pointe, sinon il fait un moignon carré.
            ecart = self.HAUT - y if t <= 0.0 else y - self.BAS
            marge = math.sqrt(max(0.0, marge * marge - ecart * ecart))
        return abs(dx) <= self.demi_largeur(t, cote) + marge


class Tourne(Forme):
    """Forme tournée d'un angle (degrés) autour d'un pivot."""

    def __init__(self, forme, angle, px, py):
        self.forme, self.px, self.py = forme, px, py
        a = math.radians(angle)
        self.c, self.s = math.cos(a), math.sin(a)
        x0, y0, x1, y1 = forme.boite
        coins = [self.vers_monde(x, y) for x in (x0, x1) for y in (y0, y1)]
        self.boite = (min(p[0] for p in coins), min(p[1] for p in coins),
                      max(p[0] for p in coins), max(p[1] for p in coins))

    def vers_monde(self, x, y):
        dx, dy = x - self.px, y - self.py
        return (self.px + dx * self.c - dy * self.s, self.py + dx * self.s + dy * self.c)

    def vers_local(self, x, y):
        dx, dy = x - self.px, y - self.py
        return (self.px + dx * self.c + dy * self.s, self.py - dx * self.s + dy * self.c)

    def contient(self, x, y):
        lx, ly = self.vers_local(x, y)
        return self.forme.contient(lx, ly)


# ---------------------------------------------------------------------------
# Rendu : calques peints de bas en haut avec l'opérateur « over ».
# ---------------------------------------------------------------------------

def melange(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


class Calque:
    def __init__(self, forme, couleur):
        exiger(isinstance(forme, Forme), "calque sans forme")
        self.forme = forme
        self.couleur = couleur  # (r, g, b, a) ou fonction (x, y) -> (r, g, b, a)
        self.boite = forme.boite

    def teinte(self, x, y):
        c = self.couleur(x, y) if callable(self.couleur) else self.couleur
        return c if len(c) == 4 else (c[0], c[1], c[2], 255)


def tourner_calques(calques, angle, px, py):
    """Tourne un groupe : la forme et aussi les dégradés qui dépendent de (x, y)."""
    sortie = []
    for cq in calques:
        forme = Tourne(cq.forme, angle, px, py)
        coul = cq.couleur
        if callable(coul):
            coul = (lambda f, t: (lambda x, y: f(*t.vers_local(x, y))))(coul, forme)
        sortie.append(Calque(forme, coul))
    return sortie


def rendre(largeur, hauteur, calques, x0=0.0, y0=0.0, echelle=1.0, sur=4):
    """Rend la scène en RGBA 8 bits. Le suréchantillonnage (sur×sur) n'est fait
    que là où les coins et le centre du pixel ne voient pas les mêmes calques,
    ce qui garde le script rapide sans perdre l'anticrénelage."""

    def signature(x, y):
        return tuple(i for i, cq in enumerate(calques)
                     if cq.boite[0] <= x <= cq.boite[2] and cq.boite[1] <= y <= cq.boite[3]
                     and cq.forme.contient(x, y))

    def couleur(x, y, sig):
        # Composition en prémultiplié.
        r = g = b = a = 0.0
        for i in sig:
            cr, cg, cb, ca = calques[i].teinte(x, y)
            fa = ca / 255.0
            r = cr * fa + r * (1 - fa)
            g = cg * fa + g * (1 - fa)
            b = cb * fa + b * (1 - fa)
            a = fa + a * (1 - fa)
        return r, g, b, a

    coins = [[signature(x0 + i * echelle, y0 + j * echelle) for i in range(largeur + 1)]
             for j in range(hauteur + 1)]
    pixels = bytearray()
    for j in range(hauteur):
        for i in range(largeur):
            cx = x0 + (i + 0.5) * echelle
            cy = y0 + (j + 0.5) * echelle
            sc = signature(cx, cy)
            if coins[j][i] == coins[j][i + 1] == coins[j + 1][i] == coins[j + 1][i + 1] == sc:
                r, g, b, a = couleur(cx, cy, sc)
            else:
                r = g = b = a = 0.0
                for sj in range(sur):
                    for si in range(sur):
                        x = x0 + (i + (si + 0.5) / sur) * echelle
                        y = y0 + (j + (sj + 0.5) / sur) * echelle
                        pr, pg, pb, pa = couleur(x, y, signature(x, y))
                        r, g, b, a = r + pr, g + pg, b + pb, a + pa
                n = sur * sur
                r, g, b, a = r / n, g / n, b / n, a / n
            if a <= 0.0:
                pixels += b"\0\0\0\0"
            else:
                pixels += bytes((min(255, int(round(r / a))), min(255, int(round(g / a))),
                                 min(255, int(round(b / a))), min(255, int(round(a * 255)))))
    exiger(len(pixels) == largeur * hauteur * 4, "taille d'image incohérente")
    return pixels


# ---------------------------------------------------------------------------
# Encodeurs : PNG minimal, ICO à entrées BMP 32 bits, WAV PCM 16 bits.
# ---------------------------------------------------------------------------

def morceau_png(genre, donnees):
    corps = genre + donnees
    return struct.pack(">I", len(donnees)) + corps + struct.pack(">I", zlib.crc32(corps) & 0xFFFFFFFF)


def encoder_png(largeur, hauteur, rgba):
    exiger(len(rgba) == largeur * hauteur * 4, "PNG : tampon de mauvaise taille")
    ligne = largeur * 4
    brut = bytearray()
    precedente = bytes(ligne)
    for j in range(hauteur):
        courante = rgba[j * ligne:(j + 1) * ligne]
        # Filtre « Up » ou aucun, au plus petit : compresse mieux sans complexité.
        haut = bytes((courante[k] - precedente[k]) & 0xFF for k in range(ligne))
        if sum(min(v, 256 - v) for v in haut) < sum(min(v, 256 - v) for v in courante):
            brut += b"\x02" + haut
        else:
            brut += b"\x00" + courante
        precedente = courante
    entete = struct.pack(">IIBBBBB", largeur, hauteur, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + morceau_png(b"IHDR", entete)
            + morceau_png(b"IDAT", zlib.compress(bytes(brut), 9)) + morceau_png(b"IEND", b""))


def verifier_png(donnees, largeur, hauteur):
    """Relit les morceaux et l'image décompressée : un encodeur fautif doit se voir ici."""
    exiger(donnees[:8] == b"\x89PNG\r\n\x1a\n", "PNG : signature absente")
    pos, idat = 8, b""
    while pos < len(donnees):
        (n,) = struct.unpack(">I", donnees[pos:pos + 4])
        genre, corps = donnees[pos + 4:pos + 8], donnees[pos + 8:pos + 8 + n]
        (crc,) = struct.unpack(">I", donnees[pos + 8 + n:pos + 12 + n])
        exiger(zlib.crc32(genre + corps) & 0xFFFFFFFF == crc, "PNG : CRC faux dans " + genre.decode())
        if genre == b"IHDR":
            exiger(struct.unpack(">II", corps[:8]) == (largeur, hauteur), "PNG : dimensions fausses")
        elif genre == b"IDAT":
            idat += corps
        pos += 12 + n
    exiger(len(zlib.decompress(idat)) == hauteur * (1 + largeur * 4), "PNG : données tronquées")


def entree_ico_bmp(taille, rgba):
    """Entrée BMP 32 bits : lignes de bas en haut, en BGRA, hauteur doublée
    (image + masque ET), masque tout à zéro puisque l'alpha suffit."""
    entete = struct.pack("<IiiHHIIiiII", 40, taille, taille * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    corps = bytearray()
    for j in range(taille - 1, -1, -1):
        for i in range(taille):
            k = (j * taille + i) * 4
            corps += bytes((rgba[k + 2], rgba[k + 1], rgba[k], rgba[k + 3]))
    pas_masque = ((taille + 31) // 32) * 4
    return entete + bytes(corps) + bytes(pas_masque * taille)


def encoder_ico(images):
    """images : liste de (taille, rgba) ; répertoire puis entrées BMP."""
    entrees = [entree_ico_bmp(t, px) for t, px in images]
    sortie = struct.pack("<HHH", 0, 1, len(images))
    decalage = 6 + 16 * len(images)
    for (taille, _), donnees in zip(images, entrees):
        exiger(0 < taille <= 256, "ICO : taille impossible")
        sortie += struct.pack("<BBBBHHII", taille % 256, taille % 256, 0, 0, 1, 32,
                              len(donnees), decalage)
        decalage += len(donnees)
    return sortie + b"".join(entrees)


FREQUENCE = 22050
CRETE = 10 ** (-6 / 20)  # -6 dBFS : audible sans agresser


def ecrire_wav(chemin, echantillons):
    exiger(len(echantillons) > 0, "son vide : " + chemin)
    crete = max(abs(v) for v in echantillons)
    exiger(crete > 0, "son muet : " + chemin)
    # Normalisation à la crête visée, puis quantification arrondie.
    entiers = [int(round(v / crete * CRETE * 32767)) for v in echantillons]
    exiger(entiers[0] == 0 and entiers[-1] == 0, "le son doit partir et finir à zéro : " + chemin)
    with wave.open(chemin, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(FREQUENCE)
        w.writeframes(struct.pack("<%dh" % len(entiers), *entiers))
    with wave.open(chemin, "rb") as w:
        exiger((w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes())
               == (1, 2, FREQUENCE, len(entiers)), "WAV relu différent : " + chemin)


# ---------------------------------------------------------------------------
# Synthèse des sons.
# ---------------------------------------------------------------------------

def fondu(echantillons, entree_s, sortie_s):
    """Fondus en cosinus surélevé : ni clic au début ni à la fin."""
    n = len(echantillons)
    ne = max(2, int(entree_s * FREQUENCE))
    ns = max(2, int(sortie_s * FREQUENCE))
    sortie = list(echantillons)
    for k in range(n):
        g = 1.0
        if k < ne:
            g *= 0.5 - 0.5 * math.cos(math.pi * k / ne)
        if k >= n - ns:
            g *= 0.5 - 0.5 * math.cos(math.pi * (n - 1 - k) / ns)
        sortie[k] *= g
    sortie[0] = sortie[-1] = 0.0
    return sortie


def ton(duree, frequence, decroissance, partiels=((1, 1.0),), glissement=0.0):
    """Note à décroissance exponentielle ; `glissement` fait tomber la hauteur
    de cette fraction au début, ce qui donne une attaque plus « boisée »."""
    n = int(duree * FREQUENCE)
    sortie, phase = [], 0.0
    for k in range(n):
        t = k / FREQUENCE
        f = frequence * (1.0 + glissement * math.exp(-t / 0.006))
        phase += 2 * math.pi * f / FREQUENCE
        v = sum(a * math.sin(m * phase) for m, a in partiels)
        sortie.append(v * math.exp(-t / decroissance))
    return sortie


def son_survol():
    # Tic très court et doux, aigu mais sans dureté.
    return fondu(ton(0.040, 2100.0, 0.008, ((1, 1.0), (2, 0.12))), 0.0015, 0.008)


def son_clic():
    # Petit « toc » boisé : hauteur qui tombe vite, harmonique légère.
    return fondu(ton(0.080, 1050.0, 0.016, ((1, 1.0), (2, 0.25), (3, 0.06)), 0.35), 0.001, 0.015)


def son_clic_fusibles():
    # Deux notes montantes (la5 puis mi6) : on reconnaît le bouton des fusibles.
    n_total = int(0.120 * FREQUENCE)
    premiere = ton(0.060, 880.0, 0.020, ((1, 1.0), (2, 0.2)))
    seconde = ton(0.066, 1318.5, 0.022, ((1, 1.0), (2, 0.15)))
    sortie = [0.0] * n_total
    for k, v in enumerate(fondu(premiere, 0.002, 0.010)):
        sortie[k] += v
    debut = n_total - len(seconde)
    for k, v in enumerate(fondu(seconde, 0.002, 0.012)):
        sortie[debut + k] += v
    return fondu(sortie, 0.001, 0.004)


def son_fusage():
    # Glissando montant exponentiel 420 → 1680 Hz, avec un léger vibrato
    # et une quinte discrète : évoque la programmation en cours.
    duree = 0.400
    n = int(duree * FREQUENCE)
    f0, f1 = 420.0, 1680.0
    sortie, phase, phase_q = [], 0.0, 0.0
    for k in range(n):
        t = k / FREQUENCE
        f = f0 * (f1 / f0) ** (t / duree) * (1.0 + 0.006 * math.sin(2 * math.pi * 28.0 * t))
        phase += 2 * math.pi * f / FREQUENCE
        phase_q += 2 * math.pi * f * 1.5 / FREQUENCE
        v = math.sin(phase) + 0.22 * math.sin(2 * phase) + 0.12 * math.sin(phase_q)
        # Volume qui monte un peu avec la hauteur pour un effet « d'élan ».
        sortie.append(v * (0.7 + 0.3 * t / duree))
    return fondu(sortie, 0.020, 0.070)


# ---------------------------------------------------------------------------
# Dessin du personnage « Plume » : une plume d'oie souriante qui tient une puce.
# ---------------------------------------------------------------------------

TRAIT = (44, 38, 84)          # contour indigo profond, commun à tout le dessin
VEXILLE_G = ((162, 226, 248), (96, 182, 232))   # haut → bas, côté clair
VEXILLE_D = ((116, 196, 240), (62, 142, 208))   # côté ombré
CREME = (252, 246, 228)
OR_CLAIR, OR_SOMBRE = (244, 196, 78), (206, 148, 46)
ANGLE = 8.0                   # inclinaison : la pointe penche vers la droite
PIVOT = (80.0, 112.0)

# Repères du visage (dans le repère de la plume avant rotation).
YEUX_Y = 60.0
ECART_YEUX = 15.0
BOUCHE_Y = 78.0
PUCE = (79.0, 123.0)


def centre_visage():
    t = Plume.t_de(YEUX_Y)
    return Plume.nervure(t), YEUX_Y + 6.0


def calques_personnage():
    o = 2.6  # épaisseur du contour
    cx_face = Plume.nervure(Plume.t_de(YEUX_Y))
    px, py = PUCE

    def teinte_vexille(degrade):
        return lambda x, y: melange(degrade[0], degrade[1], Plume.t_de(y) * 1.1)

    # Tuyau, virole et bec sont des formes simples alignées sur le bas de la nervure.
    xb = Plume.nervure(1.0)
    tuyau = Capsule(xb, 128.0, xb, 170.0, 3.6)
    virole = RectArrondi(xb, 172.0, 7.5, 4.5, 2.0)

    class Bec(Forme):
        # Bec métallique : triangle aux flancs légèrement bombés.
        def __init__(self, marge=0.0):
            self.marge = marge
            self.boite = (xb - 9 - marge, 174.0 - marge, xb + 9 + marge, 204.0 + marge)

        def contient(self, x, y):
            if y < 175.0 - self.marge or y > 203.0 + self.marge:
                return False
            u = min(max((203.0 - y) / 28.0, 0.0), 1.0)
            return abs(x - xb) <= 6.5 * u ** 0.7 + self.marge

    # Bras : de l'épaule (bord de la vexille) jusqu'aux mains, de part et d'autre de la puce.
    t_epaule = Plume.t_de(102.0)
    xn = Plume.nervure(t_epaule)
    epaule_g = (xn - Plume.demi_largeur(t_epaule, -1) + 6, 102.0)
    epaule_d = (xn + Plume.demi_largeur(t_epaule, 1) - 6, 102.0)
    main_g = (px - 18.0, py + 1.0)
    main_d = (px + 18.0, py + 1.0)
    bras_g = Capsule(*epaule_g, *main_g, 2.4)
    bras_d = Capsule(*epaule_d, *main_d, 2.4)

    c = []
    # 1. Tous les contours d'abord : la silhouette reste d'un seul tenant.
    for forme in (Plume(o), Capsule(xb, 128.0, xb, 170.0, 3.6 + o),
                  RectArrondi(xb, 172.0, 7.5 + o, 4.5 + o, 2.0 + o), Bec(o)):
        c.append(Calque(forme, TRAIT))
    # 2. Remplissages.
    c.append(Calque(Plume(0, -1), teinte_vexille(VEXILLE_G)))
    c.append(Calque(Plume(0, 1), teinte_vexille(VEXILLE_D)))
    # Reflet doux sur le haut du côté clair.
    c.append(Calque(Inter(Plume(-7, -1), Ellipse(cx_face - 24, 40, 12, 22)), (255, 255, 255, 70)))
    # Barbes : fines rayures obliques dans le bas de la plume, sous le visage.
    class Barbes(Forme):
        def __init__(self):
            self.boite = (20.0, 100.0, 140.0, 150.0)

        def contient(self, x, y):
            t = Plume.t_de(y)
            if t < 0.64:
                return False
            d = x - Plume.nervure(t)
            if abs(d) < 5 or abs(d) > Plume.demi_largeur(t, 1 if d > 0 else -1) - 3:
                return False
            return ((y + abs(d) * 0.7) % 9.0) < 1.3
    c.append(Calque(Barbes(), (40, 110, 180, 90)))
    # Nervure (rachis) crème, du menton jusqu'au tuyau.
    class Rachis(Forme):
        def __init__(self):
            self.boite = (60.0, 96.0, 100.0, 151.0)

        def contient(self, x, y):
            t = Plume.t_de(y)
            return 0.6 <= t <= 1.0 and abs(x - Plume.nervure(t)) <= 1.0 + 1.4 * t
    c.append(Calque(Rachis(), CREME))
    c.append(Calque(tuyau, CREME))
    c.append(Calque(Capsule(xb + 1.6, 150.0, xb + 1.6, 168.0, 0.9), (214, 204, 184)))
    c.append(Calque(Inter(virole, DemiPlan(xb, True)), OR_SOMBRE))
    c.append(Calque(virole, lambda x, y: OR_CLAIR if x < xb + 1.5 else OR_SOMBRE))
    c.append(Calque(Bec(), lambda x, y: OR_CLAIR if x < xb else OR_SOMBRE))
    c.append(Calque(Capsule(xb, 185.0, xb, 203.5, 0.75), TRAIT))   # fente
    c.append(Calque(Cercle(xb, 184.0, 2.1), TRAIT))                 # évent
    c.append(Calque(Bec(-4.5), (255, 236, 170, 120)))               # reflet
    # 3. Visage.
    for sens in (-1, 1):
        ex = cx_face + sens * ECART_YEUX
        oeil = Ellipse(ex, YEUX_Y, 8.5, 10.5)
        c.append(Calque(Ellipse(ex, YEUX_Y, 8.5 + o, 10.5 + o), TRAIT))
        c.append(Calque(oeil, (255, 255, 255)))
        c.append(Calque(Inter(oeil, Cercle(ex + 1.8, YEUX_Y + 1.5, 6.0)), (36, 30, 64)))
        c.append(Calque(Cercle(ex + 4.0, YEUX_Y - 1.8, 2.3), (255, 255, 255)))
        c.append(Calque(Cercle(ex - 0.2, YEUX_Y + 4.6, 1.1), (255, 255, 255, 220)))
        # Sourcils arqués, un peu haut : air enjoué.
        c.append(Calque(Anneau(ex, YEUX_Y + 4, 19.0, 2.6, -2.05, -1.1), TRAIT))
        # Joues roses.
        c.append(Calque(Ellipse(cx_face + sens * 26.0, BOUCHE_Y - 1, 6.0, 3.8), (255, 120, 156, 120)))
    # Bouche ouverte en demi-lune, avec la langue.
    bouche = Inter(Ellipse(cx_face, BOUCHE_Y, 9.0, 8.5), DemiPlan(BOUCHE_Y, True))
    c.append(Calque(Inter(Ellipse(cx_face, BOUCHE_Y, 9.0 + o, 8.5 + o),
                          DemiPlan(BOUCHE_Y - o, True)), TRAIT))
    c.append(Calque(bouche, (122, 36, 66)))
    c.append(Calque(Inter(bouche, Ellipse(cx_face + 1, BOUCHE_Y + 9.5, 6.0, 4.5)), (244, 118, 140)))
    # 4. La puce AVR tenue devant le ventre (boîtier DIP vu de dessus).
    for k in range(4):
        xp = px - 10.5 + 7.0 * k
        for sy in (-1, 1):
            broche = RectArrondi(xp, py + sy * 10.5, 1.9, 3.2, 0.8)
            c.append(Calque(RectArrondi(xp, py + sy * 10.5, 1.9 + 1.4, 3.2 + 1.4, 1.6), TRAIT))
            c.append(Calque(broche, (214, 220, 230)))
    c.append(Calque(RectArrondi(px, py, 16.0 + 2.2, 8.5 + 2.2, 3.5), TRAIT))
    c.append(Calque(RectArrondi(px, py, 16.0, 8.5, 2.5),
                    lambda x, y: melange((88, 94, 110), (56, 60, 74), (y - py + 8.5) / 17)))
    c.append(Calque(Cercle(px - 11.0, py - 3.5, 1.6), (140, 146, 162)))       # repère broche 1
    c.append(Calque(Capsule(px - 5, py + 1.5, px + 11, py + 1.5, 0.9), (150, 156, 172)))
    c.append(Calque(Capsule(px - 5, py + 4.5, px + 6, py + 4.5, 0.9), (150, 156, 172)))
    # 5. Bras (par-dessus le corps et le bord de la puce), puis les mains.
    for bras, teinte in ((bras_g, VEXILLE_G[1]), (bras_d, VEXILLE_D[1])):
        c.append(Calque(Capsule(bras.ax, bras.ay, bras.bx, bras.by, 2.4 + o), TRAIT))
        c.append(Calque(bras, teinte))
    for m in (main_g, main_d):
        c.append(Calque(Cercle(m[0], m[1], 5.2 + o), TRAIT))
        c.append(Calque(Cercle(m[0], m[1], 5.2), VEXILLE_D[0]))
        c.append(Calque(Cercle(m[0] - 1.4, m[1] - 1.6, 2.0), (255, 255, 255, 90)))
    return tourner_calques(c, ANGLE, *PIVOT)


def calques_decor():
    """Ombre portée (sous la pointe du bec) et éclats (autour)."""
    # L'ombre suit le bec, qui s'est déplacé avec l'inclinaison.
    bx, _ = Tourne(Cercle(0, 0, 1), ANGLE, *PIVOT).vers_monde(Plume.nervure(1.0), 203.0)
    ombre = [Calque(Ellipse(bx + 4.0, 209.0, 30.0, 5.5), (34, 30, 70, 40)),
             Calque(Ellipse(bx + 2.0, 209.0, 16.0, 3.5), (34, 30, 70, 45))]
    eclats = [Calque(Etincelle(26.0, 30.0, 10.0), (255, 206, 72)),
              Calque(Etincelle(140.0, 58.0, 7.0), (255, 206, 72)),
              Calque(Etincelle(22.0, 92.0, 5.5), (255, 224, 140)),
              Calque(Cercle(138.0, 24.0, 2.2), (255, 224, 140)),
              Calque(Cercle(36.0, 56.0, 1.6), (255, 224, 140))]
    return ombre, eclats


def image_assistante():
    ombre, eclats = calques_decor()
    return rendre(160, 220, ombre + calques_personnage() + eclats)


def image_bouton():
    """Tête du personnage dans une pastille ronde, à la taille d'un bouton."""
    perso = calques_personnage()
    # Centre du visage après rotation, pour cadrer la pastille dessus.
    rot = Tourne(Cercle(0, 0, 1), ANGLE, *PIVOT)
    fx, fy = rot.vers_monde(*centre_visage())
    rayon = 60.0
    fx, fy = fx + 3.0, fy - 14.0  # remonte le cadre pour montrer la pointe de la plume
    fond = Cercle(fx, fy, rayon - 4.5)
    calques = [Calque(Cercle(fx, fy, rayon), TRAIT),
               Calque(fond, lambda x, y: melange((255, 246, 214), (255, 226, 160), (y - fy + rayon) / (2 * rayon)))]
    calques += [Calque(Inter(cq.forme, fond), cq.couleur) for cq in perso]
    taille = 48
    echelle = 2 * (rayon + 1.0) / taille
    return rendre(taille, taille, calques, fx - taille / 2 * echelle, fy - taille / 2 * echelle, echelle)


def image_onglet(taille):
    """Pastille ronde bleue à reflet : marque l'onglet courant."""
    e = 32.0 / taille  # on dessine toujours dans un repère de 32
    calques = [Calque(Cercle(16, 16, 11.5), TRAIT),
               Calque(Cercle(16, 16, 9.5), lambda x, y: melange(VEXILLE_G[0], VEXILLE_D[1], (y - 6.5) / 19)),
               Calque(Ellipse(13.5, 12.5, 4.2, 3.0), (255, 255, 255, 170))]
    return rendre(taille, taille, calques, 0.0, 0.0, e)


# ---------------------------------------------------------------------------

def ecrire(chemin, donnees):
    with open(chemin, "wb") as f:
        f.write(donnees)
    exiger(os.path.getsize(chemin) == len(donnees), "écriture incomplète : " + chemin)
    print("%-40s %7d octets" % (os.path.relpath(chemin, RACINE), len(donnees)))


def principal():
    os.makedirs(DOSSIER_SKIN, exist_ok=True)
    os.makedirs(DOSSIER_IMAGE, exist_ok=True)

    for nom, (l, h, px) in (("Assistante.png", (160, 220, image_assistante())),
                            ("Bouton.png", (48, 48, image_bouton()))):
        exiger(any(px[k] for k in range(3, len(px), 4)), nom + " : image entièrement transparente")
        png = encoder_png(l, h, px)
        verifier_png(png, l, h)
        ecrire(os.path.join(DOSSIER_SKIN, nom), png)

    ico = encoder_ico([(16, image_onglet(16)), (32, image_onglet(32))])
    ecrire(os.path.join(DOSSIER_IMAGE, "ongletcourant.ico"), ico)

    for nom, fabrique, duree in (("OverDefaut.wav", son_survol, 0.040),
                                 ("ClickDefaut.wav", son_clic, 0.080),
                                 ("ClickFuseBit.wav", son_clic_fusibles, 0.120),
                                 ("Fusage.wav", son_fusage, 0.400)):
        echantillons = fabrique()
        exiger(len(echantillons) == int(duree * FREQUENCE), nom + " : durée inattendue")
        chemin = os.path.join(DOSSIER_SKIN, nom)
        ecrire_wav(chemin, echantillons)
        print("%-40s %7d octets" % (os.path.relpath(chemin, RACINE), os.path.getsize(chemin)))


if __name__ == "__main__":
    try:
        principal()
    except Exception as erreur:  # échec franc, code de sortie non nul
        print("generer_skin : ÉCHEC : %s" % erreur, file=sys.stderr)
        raise
