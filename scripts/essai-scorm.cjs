// Driven by essai-scorm.sh: a stand-in learning platform serves the unpacked
// SCORM packages in a frame under a runtime nobody here wrote (scorm-again),
// and chromium plays them as a pupil would.
"use strict";

const { chromium } = require("playwright-core");
const fs = require("fs");
const http = require("http");
const os = require("os");
const path = require("path");

// The unpacked packages' folder, and the runtime's built scripts.
const [travail, runtime] = process.argv.slice(2);

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

// Each question, found by its statement (the order is shuffled): its number
// in the questionnaire, the propositions to choose, whether that is right,
// and whether the keyboard answers it.
const kPlan = {
    "Combien font 2 + 2 ?": { n: 1, choix: [1], justes: [1], clavier: true },
    "Quelle est la capitale de l'Italie ?": { n: 2, choix: [1], justes: [0] },
    "Quels nombres sont pairs ?": { n: 3, choix: [0, 2], justes: [0, 2], clavier: true },
    "De quelle couleur est le ciel ?": { n: 4, choix: [0], justes: [0] },
    "Le soleil est-il une planète ?": { n: 5, choix: [0], justes: [1], clavier: true },
};
const kSeuil = 60;

function Verifier(condition, message) {
    if (!condition) {
        throw new Error("ÉCHEC : " + message);
    }
}

// The platform's page: the runtime, then the package in a frame, started by
// Demarrer(donnees) with what an earlier session saved. Every call the
// package makes is written down with the runtime's answer.
function PagePlateforme(version) {
    const v2004 = version === "2004";
    return `<!DOCTYPE html><html><head><meta charset="utf-8"><title>Plateforme</title>
<script src="/runtime/${v2004 ? "scorm2004" : "scorm12"}.js"></script></head><body>
<iframe id="sco" style="width:1000px;height:700px"></iframe>
<script>
window.journal = [];
window.Demarrer = function (donnees) {
  const api = new ${v2004 ? "Scorm2004API" : "Scorm12API"}({ logLevel: 5 });
  if (donnees) { api.loadFromJSON(donnees); }
  for (const nom of ${JSON.stringify(
      v2004
          ? ["Initialize", "GetValue", "SetValue", "Commit", "Terminate"]
          : ["LMSInitialize", "LMSGetValue", "LMSSetValue", "LMSCommit", "LMSFinish"]
  )}) {
    const appel = api[nom].bind(api);
    api[nom] = function (element, valeur) {
      const rendu = appel(element, valeur);
      window.journal.push({ nom, element, valeur, rendu: String(rendu),
        erreur: String(api.${v2004 ? "GetLastError" : "LMSGetLastError"}()) });
      return rendu;
    };
  }
  window.${v2004 ? "API_1484_11" : "API"} = api;
  document.getElementById("sco").src = "/paquet${version === "2004" ? "2004" : "12"}/index.html";
};
</script></body></html>`;
}

function Servir() {
    const types = { ".html": "text/html; charset=utf-8", ".js": "text/javascript", ".xml": "text/xml" };
    const serveur = http.createServer((requete, reponse) => {
        const url = decodeURIComponent(new URL(requete.url, "http://x").pathname);
        let corps = null;
        let fichier = null;
        if (url === "/lms12.html" || url === "/lms2004.html") {
            corps = PagePlateforme(url === "/lms12.html" ? "1.2" : "2004");
        } else if (url.startsWith("/runtime/")) {
            fichier = path.join(runtime, path.basename(url));
        } else if (/^\/paquet(12|2004)\/[^/]+$/.test(url)) {
            fichier = path.join(travail, url);
        }
        if (fichier && fs.existsSync(fichier)) {
            corps = fs.readFileSync(fichier);
        }
        if (corps === null) {
            reponse.writeHead(404).end();
            return;
        }
        reponse.writeHead(200, { "Content-Type": types[path.extname(url)] || "application/octet-stream" });
        reponse.end(corps);
    });
    return new Promise((ok) => serveur.listen(0, "127.0.0.1", () => ok(serveur)));
}

async function Focus(cadre) {
    return cadre.evaluate(() => {
        const e = document.activeElement;
        return e ? e.id || e.tagName.toLowerCase() + ":" + (e.type || "") : "";
    });
}

async function Cadre(page) {
    await page.waitForFunction(() => {
        const f = document.getElementById("sco");
        return f && f.contentDocument && f.contentDocument.readyState === "complete" &&
            f.contentDocument.getElementById("numero");
    });
    return page.frames().find((f) => f.url().endsWith("/index.html"));
}

// Answers the question in sight as its plan says; returns its statement.
async function Repondre(cadre, plan) {
    const enonce = await cadre.textContent("#enonce");
    const p = plan[enonce];
    Verifier(p, "énoncé inattendu : " + enonce);
    if (p.clavier) {
        await cadre.focus("#propositions input");
        const type = await cadre.$eval("#propositions input", (e) => e.type);
        if (type === "radio") {
            for (let k = 0; k < p.choix[0]; k += 1) {
                await cadre.page().keyboard.press("ArrowDown");
            }
            await cadre.page().keyboard.press("Space");
            await cadre.page().keyboard.press("Tab");
        } else {
            const n = (await cadre.$$("#propositions input")).length;
            for (let k = 0; k < n; k += 1) {
                if (p.choix.includes(k)) {
                    await cadre.page().keyboard.press("Space");
                }
                await cadre.page().keyboard.press("Tab");
            }
        }
        Verifier((await Focus(cadre)) === "valider", "Tab mène à Valider");
        await cadre.page().keyboard.press("Enter");
        await cadre.page().keyboard.press("Enter");
    } else {
        for (const k of p.choix) {
            await cadre.locator("#propositions .proposition-texte").nth(k).click();
        }
        await cadre.click("#valider");
        await cadre.click("#suivante");
    }
    return enonce;
}

function Lettres(indices, v2004) {
    return indices.map((k) => String.fromCharCode(97 + k)).join(v2004 ? "[,]" : ",");
}

// What the package set, as the runtime accepted it; a refused value fails.
async function Valeurs(page, depuis) {
    const journal = (await page.evaluate(() => window.journal)).slice(depuis);
    const valeurs = {};
    for (const appel of journal) {
        Verifier(appel.erreur === "0", `${appel.nom}(${appel.element || ""}, ${appel.valeur || ""}) : erreur ${appel.erreur}`);
        if (/SetValue$/.test(appel.nom)) {
            valeurs[appel.element] = appel.valeur;
        }
    }
    return { journal, valeurs };
}

function VerifierInteractions(valeurs, rangs, ordre, v2004) {
    for (const r of rangs) {
        const p = kPlan[ordre[r]];
        const i = `cmi.interactions.${r}.`;
        const juste = p.choix.join() === p.justes.join();
        Verifier(valeurs[i + "id"] === "question-" + p.n, i + "id " + valeurs[i + "id"]);
        Verifier(valeurs[i + "type"] === "choice", i + "type");
        Verifier(valeurs[i + (v2004 ? "learner_response" : "student_response")] === Lettres(p.choix, v2004), i + "réponse");
        Verifier(valeurs[i + "correct_responses.0.pattern"] === Lettres(p.justes, v2004), i + "bonne réponse");
        Verifier(valeurs[i + "result"] === (juste ? "correct" : v2004 ? "incorrect" : "wrong"), i + "résultat");
        Verifier(valeurs[i + (v2004 ? "timestamp" : "time")], i + "heure");
        Verifier(valeurs[i + "latency"], i + "durée");
    }
}

// What a platform keeps of a suspended session and gives back to the next:
// the saved answers, the place, the status, the score and the interactions.
async function Garder(page, v2004) {
    return page.evaluate((v2) => {
        const cmi = JSON.parse(JSON.stringify(v2 ? window.API_1484_11.cmi : window.API.cmi));
        return v2
            ? {
                  suspend_data: cmi.suspend_data,
                  location: cmi.location,
                  completion_status: cmi.completion_status,
                  success_status: cmi.success_status,
                  score: cmi.score,
                  interactions: cmi.interactions,
              }
            : {
                  suspend_data: cmi.suspend_data,
                  core: {
                      lesson_location: cmi.core.lesson_location,
                      lesson_status: cmi.core.lesson_status,
                      score: cmi.core.score,
                  },
                  interactions: cmi.interactions,
              };
    }, v2004);
}

async function Jouer(contexte, base, version) {
    const v2004 = version === "2004";
    const c = (a, b) => (v2004 ? b : a);
    const page = await contexte.newPage();
    await page.goto(`${base}/lms${version === "2004" ? "2004" : "12"}.html`);

    // First session: two answers, then the pupil leaves.
    await page.evaluate(() => window.Demarrer(null));
    let cadre = await Cadre(page);
    const ordre = [];
    for (let r = 0; r < 2; r += 1) {
        Verifier((await cadre.textContent("#numero")) === `Question ${r + 1} sur 5`, "numéro");
        ordre.push(await Repondre(cadre, kPlan));
    }
    await page.evaluate(() => { document.getElementById("sco").src = "about:blank"; });
    await page.waitForFunction((fin) => window.journal.some((a) => a.nom === fin), c("LMSFinish", "Terminate"));
    const premiere = await Valeurs(page, 0);
    let v = premiere.valeurs;
    Verifier(premiere.journal[0].nom === c("LMSInitialize", "Initialize"), "la session commence");
    VerifierInteractions(v, [0, 1], ordre, v2004);
    Verifier(v[c("cmi.core.exit", "cmi.exit")] === "suspend", "sortie en suspens");
    Verifier(v[c("cmi.core.lesson_status", "cmi.completion_status")] === "incomplete", "en cours");
    Verifier(!(c("cmi.core.score.raw", "cmi.score.raw") in v), "pas de score en route");
    const duree1 = v[c("cmi.core.session_time", "cmi.session_time")];
    Verifier(c(/^\d{2,4}:\d\d:\d\d(\.\d{1,2})?$/, /^PT\d+H\d+M[\d.]+S$/).test(duree1), "durée " + duree1);
    const garde = await Garder(page, v2004);
    console.log(`SCORM ${version}, 1re session : ${ordre.map((e) => "« " + e + " »").join(", ")} répondues, ` +
        `sortie ${v[c("cmi.core.exit", "cmi.exit")]}, durée ${duree1}, ` +
        `lieu ${c(garde.core && garde.core.lesson_location, garde.location)}, données ${garde.suspend_data}`);

    // Second session: the platform gives back what it kept.
    const reprise = JSON.parse(JSON.stringify(garde));
    if (v2004) {
        reprise.entry = "resume";
    } else {
        reprise.core.entry = "resume";
    }
    await page.reload();
    await page.evaluate((d) => window.Demarrer(d), reprise);
    cadre = await Cadre(page);
    Verifier((await cadre.textContent("#numero")) === "Question 3 sur 5", "reprise à la question 3 : " + (await cadre.textContent("#numero")));
    const troisieme = await cadre.textContent("#enonce");
    Verifier(!ordre.includes(troisieme), "la question 3 n'est pas une déjà répondue");
    console.log(`SCORM ${version}, reprise : ${await cadre.textContent("#numero")}, « ${troisieme} »`);
    for (let r = 2; r < 5; r += 1) {
        ordre.push(await Repondre(cadre, kPlan));
    }
    Verifier((await cadre.textContent("#score")) === "3 / 5", "score affiché");
    Verifier(await cadre.isHidden("#recommencer"), "pas de nouvelle tentative sans la plateforme");
    await page.evaluate(() => { document.getElementById("sco").src = "about:blank"; });
    await page.waitForFunction((fin) => window.journal.some((a) => a.nom === fin), c("LMSFinish", "Terminate"));
    const seconde = await Valeurs(page, 0);
    v = seconde.valeurs;
    VerifierInteractions(v, [2, 3, 4], ordre, v2004);
    Verifier(!("cmi.interactions.0.id" in v), "les réponses de la 1re session ne sont pas redites");
    Verifier(v[c("cmi.core.score.raw", "cmi.score.raw")] === "3", "score brut");
    Verifier(v[c("cmi.core.score.min", "cmi.score.min")] === "0", "score min");
    Verifier(v[c("cmi.core.score.max", "cmi.score.max")] === "5", "score max");
    if (v2004) {
        Verifier(v["cmi.score.scaled"] === "0.6", "score normalisé " + v["cmi.score.scaled"]);
        Verifier(v["cmi.completion_status"] === "completed", "terminé");
        Verifier(v["cmi.success_status"] === "passed", "réussi (3/5 = 60 %, seuil 60 %)");
    } else {
        Verifier(v["cmi.core.lesson_status"] === "passed", "réussi (3/5 = 60 %, seuil 60 %)");
    }
    const duree2 = v[c("cmi.core.session_time", "cmi.session_time")];
    const enregistre = await page.evaluate((v2) => JSON.parse(JSON.stringify((v2 ? window.API_1484_11 : window.API).cmi)), v2004);
    const etat = v2004
        ? `${enregistre.completion_status}/${enregistre.success_status}, score ${enregistre.score.raw}/${enregistre.score.max} (${enregistre.score.scaled})`
        : `${enregistre.core.lesson_status}, score ${enregistre.core.score.raw}/${enregistre.core.score.max}`;
    console.log(`SCORM ${version}, fin : ${etat}, durée ${duree2}, sortie ${v[c("cmi.core.exit", "cmi.exit")]}`);
    for (let r = 0; r < 5; r += 1) {
        const source = r < 2 ? premiere.valeurs : v;
        const i = `cmi.interactions.${r}.`;
        console.log(`  interaction ${r} : ${source[i + "id"]} ${source[i + "type"]} réponse ${source[i + c("student_response", "learner_response")]}` +
            ` attendue ${source[i + "correct_responses.0.pattern"]} ${source[i + "result"]}` +
            ` à ${source[i + c("time", "timestamp")]} en ${source[i + "latency"]}`);
    }

    // A pupil who finished and comes back sees the result again.
    const fin = await Garder(page, v2004);
    if (v2004) {
        fin.entry = "resume";
    } else {
        fin.core.entry = "resume";
    }
    await page.reload();
    await page.evaluate((d) => window.Demarrer(d), fin);
    cadre = await Cadre(page);
    await cadre.waitForSelector("#fin", { state: "visible" });
    Verifier((await cadre.textContent("#score")) === "3 / 5", "résultat revu");
    const statut = await page.evaluate((v2) => (v2 ? window.API_1484_11.cmi.success_status : window.API.cmi.core.lesson_status), v2004);
    Verifier(statut === "passed", "le statut reste : " + statut);
    console.log(`SCORM ${version}, retour après la fin : résultat ${await cadre.textContent("#score")}, statut ${statut}`);
    await page.close();
}

async function SansPlateforme(contexte, base) {
    const page = await contexte.newPage();
    await page.goto(`${base}/paquet12/index.html`);
    Verifier((await page.textContent("#numero")) === "Question 1 sur 5", "hors plateforme : la page se joue");
    for (let r = 0; r < 5; r += 1) {
        await Repondre(page.mainFrame(), kPlan);
    }
    Verifier((await page.textContent("#score")) === "3 / 5", "hors plateforme : score");
    Verifier(await page.isVisible("#recommencer"), "hors plateforme : Recommencer");
    console.log("Hors plateforme : la page se joue seule, score 3 / 5, Recommencer proposé");
    await page.close();
}

(async () => {
    const serveur = await Servir();
    const base = `http://127.0.0.1:${serveur.address().port}`;
    const profil = fs.mkdtempSync(path.join(os.tmpdir(), "essai-scorm-profil-"));
    const contexte = await chromium.launchPersistentContext(profil, {
        executablePath: "/usr/bin/chromium",
        headless: true,
        args: kDrapeaux,
        viewport: { width: 1100, height: 800 },
    });
    const erreurs = [];
    contexte.on("page", (p) => p.on("pageerror", (e) => erreurs.push(e.message)));
    try {
        await Jouer(contexte, base, "1.2");
        await Jouer(contexte, base, "2004");
        await SansPlateforme(contexte, base);
        Verifier(erreurs.length === 0, "erreurs de script : " + erreurs.join(" ; "));
        console.log("Essai SCORM réussi (seuil " + kSeuil + " %).");
    } finally {
        await contexte.close();
        serveur.close();
        fs.rmSync(profil, { recursive: true, force: true, maxRetries: 5 });
    }
})().catch((e) => {
    console.error(e.message);
    process.exit(1);
});
