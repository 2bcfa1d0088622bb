// Driven by essai-page.sh: answers the five-question page in chromium, checks
// what a pupil sees, takes screenshots, and times the thirty-photograph page.
"use strict";

const { chromium } = require("playwright-core");
const fs = require("fs");
const os = require("os");
const path = require("path");

const [cinq, trente, octetsPhotos, captures] = process.argv.slice(2);

const kDrapeaux = [
    "--headless",
    "--no-sandbox",
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
];

// How each question is answered, found by its statement (the order is shuffled).
const kPlan = {
    "Combien font 2 + 2 ?": { choix: [1], clavier: true, juste: true, type: "radio" },
    "Quelle est la capitale de l'Italie ?": {
        choix: [1],
        juste: false,
        type: "radio",
        commentaire: "La capitale de l'Italie est Rome, pas Milan.",
        capture: "commentaire",
    },
    "Quels nombres sont pairs ?": { choix: [0, 2], clavier: true, juste: true, type: "checkbox" },
    "De quelle couleur est le fond de l'image ?": {
        choix: [0],
        juste: true,
        type: "radio",
        image: true,
        capture: "image",
    },
    "Le soleil est-il une planète ?": {
        choix: [0],
        clavier: true,
        juste: false,
        type: "radio",
        commentaire: "Le soleil est une étoile (coût : 0 €).",
    },
};

function Verifier(condition, message) {
    if (!condition) {
        throw new Error("ÉCHEC : " + message);
    }
}

async function Ouvrir(javaScript) {
    const profil = fs.mkdtempSync(path.join(os.tmpdir(), "essai-page-profil-"));
    const contexte = await chromium.launchPersistentContext(profil, {
        executablePath: "/usr/bin/chromium",
        headless: true,
        args: kDrapeaux,
        javaScriptEnabled: javaScript,
        viewport: { width: 1280, height: 800 },
    });
    const dehors = [];
    contexte.on("request", (r) => {
        if (!/^(file|data):/.test(r.url())) {
            dehors.push(r.url());
        }
    });
    return { contexte, dehors, profil };
}

async function Fermer(session) {
    await session.contexte.close();
    fs.rmSync(session.profil, { recursive: true, force: true, maxRetries: 5 });
}

async function Focus(page) {
    return page.evaluate(() => {
        const e = document.activeElement;
        return e ? e.id || e.tagName.toLowerCase() + ":" + (e.type || "") : "";
    });
}

async function Jouer(page, largeur, hauteur) {
    await page.setViewportSize({ width: largeur, height: hauteur });
    await page.goto("file://" + cinq, { waitUntil: "load" });
    const titre = await page.textContent("h1");
    Verifier(titre === "Essai « élève » & <test>", "titre affiché : " + titre);
    const ordre = [];
    for (let rang = 0; rang < 5; rang += 1) {
        const enonce = await page.textContent("#enonce");
        const plan = kPlan[enonce];
        Verifier(plan, "énoncé inattendu : " + enonce);
        ordre.push(enonce);
        Verifier(
            (await page.textContent("#numero")) === "Question " + (rang + 1) + " sur 5",
            "numéro de question"
        );
        const types = await page.$$eval("#propositions input", (l) => l.map((e) => e.type));
        Verifier(types.every((t) => t === plan.type), enonce + " : cases " + types);
        const etiquetees = await page.$$eval("#propositions input", (l) =>
            l.every((e) => e.labels.length === 1)
        );
        Verifier(etiquetees, "chaque proposition est l'étiquette de sa case");
        if (plan.image) {
            const img = await page.$eval("#illustration img", (e) => ({
                src: e.src.slice(0, 22),
                l: e.naturalWidth,
                h: e.naturalHeight,
                affichee: e.getBoundingClientRect().width,
            }));
            Verifier(img.src === "data:image/png;base64,", "image convertie en PNG : " + img.src);
            Verifier(img.l === 320 && img.h === 213, "taille de l'image " + img.l + "x" + img.h);
            Verifier(img.affichee <= Math.min(320, largeur), "image trop large");
        }
        if (plan.capture === "image") {
            await page.screenshot({ path: path.join(captures, `${largeur}-image.png`) });
        }
        if (rang === 0) {
            await page.click("#valider");
            const rappel = await page.textContent("#verdict");
            Verifier(rappel.startsWith("Choisissez"), "Valider sans choix : " + rappel);
            Verifier(await page.isVisible("#valider"), "Valider sans choix ne compte pas");
            await page.focus("#propositions input");
        }
        if (plan.clavier) {
            Verifier((await Focus(page)) === "input:" + plan.type, "focus sur la 1re proposition");
            if (plan.type === "radio") {
                for (let k = 0; k < plan.choix[0]; k += 1) {
                    await page.keyboard.press("ArrowDown");
                }
                await page.keyboard.press("Space");
                await page.keyboard.press("Tab");
            } else {
                const n = types.length;
                for (let k = 0; k < n; k += 1) {
                    if (plan.choix.includes(k)) {
                        await page.keyboard.press("Space");
                    }
                    await page.keyboard.press("Tab");
                }
            }
            Verifier((await Focus(page)) === "valider", "Tab mène à Valider");
            await page.keyboard.press("Enter");
        } else {
            for (const k of plan.choix) {
                await page.locator("#propositions .proposition-texte").nth(k).click();
            }
            await page.click("#valider");
        }
        const verdict = await page.textContent("#verdict");
        Verifier(
            verdict.startsWith(plan.juste ? "Bonne réponse !" : "Mauvaise réponse."),
            enonce + " : verdict " + verdict
        );
        if (!plan.juste && plan.commentaire) {
            Verifier(verdict.includes(plan.commentaire), "commentaire montré : " + verdict);
        }
        const figees = await page.$$eval("#propositions input", (l) => l.every((e) => e.disabled));
        Verifier(figees, "propositions figées après Valider");
        const marquees = (await page.$$("#propositions .juste")).length;
        Verifier(marquees === (plan.type === "checkbox" ? 2 : 1), "bonnes réponses marquées");
        if (plan.capture === "commentaire") {
            await page.screenshot({ path: path.join(captures, `${largeur}-commentaire.png`) });
        }
        Verifier((await Focus(page)) === "suivante", "focus sur Question suivante");
        if (plan.clavier) {
            await page.keyboard.press("Enter");
        } else {
            await page.click("#suivante");
        }
    }
    const score = await page.textContent("#score");
    Verifier(score === "3 / 5", "score final " + score);
    Verifier((await page.$$("#bilan li")).length === 5, "bilan de 5 questions");
    Verifier((await Focus(page)) === "titre-fin", "focus sur le résultat");
    await page.screenshot({ path: path.join(captures, `${largeur}-resultat.png`) });
    await page.click("#recommencer");
    Verifier((await page.textContent("#numero")) === "Question 1 sur 5", "Recommencer");
    Verifier(await page.isHidden("#fin"), "résultat caché après Recommencer");
    return ordre;
}

async function Melange(page) {
    const premieres = new Set();
    for (let i = 0; i < 12 && premieres.size < 2; i += 1) {
        await page.reload({ waitUntil: "load" });
        premieres.add(await page.textContent("#enonce"));
    }
    Verifier(premieres.size >= 2, "l'ordre des questions change d'une tentative à l'autre");
}

async function Chronometrer(page) {
    await page.setViewportSize({ width: 1920, height: 1080 });
    await page.goto("file://" + cinq, { waitUntil: "load" });
    await page.screenshot({ path: path.join(captures, "1920-projecteur.png") });
    await page.setViewportSize({ width: 1280, height: 800 });
    const durees = [];
    for (let i = 0; i < 5; i += 1) {
        await page.goto("about:blank");
        await page.goto("file://" + trente, { waitUntil: "load" });
        durees.push(
            await page.evaluate(() => {
                const n = performance.getEntriesByType("navigation")[0];
                return n.loadEventEnd - n.startTime;
            })
        );
    }
    Verifier((await page.textContent("#numero")) === "Question 1 sur 30", "30 questions");
    const img = await page.$eval("#illustration img", (e) => [e.naturalWidth, e.width, e.height]);
    await page.screenshot({ path: path.join(captures, "1280-photo.png") });
    durees.sort((a, b) => a - b);
    return { durees, img };
}

async function main() {
    const session = await Ouvrir(true);
    const page = await session.contexte.newPage();
    const erreurs = [];
    page.on("pageerror", (e) => erreurs.push(String(e)));
    const ordre = await Jouer(page, 1280, 800);
    await Jouer(page, 360, 740);
    const debordement = await page.evaluate(
        () => document.documentElement.scrollWidth - document.documentElement.clientWidth
    );
    Verifier(debordement <= 0, "pas de défilement horizontal à 360 px : " + debordement);
    await Melange(page);
    const mesure = await Chronometrer(page);
    Verifier(erreurs.length === 0, "erreurs de script : " + erreurs.join(" | "));
    Verifier(session.dehors.length === 0, "requêtes hors du fichier : " + session.dehors);
    await Fermer(session);

    const sansScript = await Ouvrir(false);
    const p2 = await sansScript.contexte.newPage();
    await p2.goto("file://" + cinq, { waitUntil: "load" });
    const message = await p2.textContent("noscript");
    Verifier(/JavaScript/.test(message) && (await p2.isVisible(".sans-script")), "noscript");
    await p2.screenshot({ path: path.join(captures, "1280-sans-script.png") });
    await Fermer(sansScript);

    const poids = fs.statSync(trente).size;
    console.log("Ordre de la 1re tentative : " + ordre.join(" | "));
    console.log("Score 3 / 5 vérifié, clavier et souris, à 1280x800 et 360x740.");
    console.log(
        "Page de 30 photos : chargement (navigation -> load) " +
            mesure.durees.map((d) => d.toFixed(0)).join(", ") +
            " ms ; médiane " + mesure.durees[2].toFixed(0) + " ms"
    );
    console.log(
        "Poids : page " + poids + " octets, photos " + octetsPhotos + " octets, rapport " +
            (poids / Number(octetsPhotos)).toFixed(3) + " (base64 seul : 1,333)"
    );
    console.log("1re photo : naturelle " + mesure.img[0] + " px, affichée " + mesure.img[1] + "x" + mesure.img[2]);
    Verifier(mesure.durees[2] < 1000, "chargement en moins d'une seconde");
}

main().catch((e) => {
    console.error(e);
    process.exit(1);
});
