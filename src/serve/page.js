// The table of skilltab serve: its levels as buttons, changed by a click or
// a key, saved through the server. The token comes from the address's
// fragment, is kept for this tab alone and sent with every request that
// reads or changes the table.
"use strict";

const LETTERS = "-BEMG";
const TOKEN_KEY = "skilltab-token-" + location.port;
let token = sessionStorage.getItem(TOKEN_KEY) || "";
const fragment = /^#token=([0-9a-f]{32})$/.exec(location.hash);
if (fragment) {
  token = fragment[1];
  sessionStorage.setItem(TOKEN_KEY, token);
  history.replaceState(null, "", location.pathname);
}

let fileLevels = "";          // the file's levels as last read, one digit a level
let lastSave = null;          // the levels the page's last save changed, as they were before it
let lastSaveLeft = "";        // the file's levels as that save left them
const changes = new Map();    // a level's index to the level the user gave it
let stopped = false;

function request(method, path, body) {
  const headers = { "Authorization": "Bearer " + token };
  if (body !== undefined)
    headers["Content-Type"] = "application/x-www-form-urlencoded";
  return fetch(path, { method, headers, body, cache: "no-store" });
}

function entryOf(index) {
  // Class outermost, then the stage, then the skill slot: 37 levels a stage, 148 a class.
  return Math.floor(index / 148) * 37 + (index % 37);
}

function tellUnsaved() {
  const entries = new Set([...changes.keys()].map(entryOf));
  document.getElementById("unsaved").textContent =
    changes.size === 0 ? "" : "Not saved: " + changes.size + " levels in " + entries.size + " entries";
}

function tellStopped() {
  stopped = true;
  document.getElementById("status").textContent = "skilltab has stopped. Changes not saved: " + changes.size + ".";
}

const WORDS = ["none", "Basic", "Expert", "Master", "Grandmaster"];

// A level's letter, its mark, and its level in words for a screen reader
// (with the file's where it is changed), through aria-describedby.
function showLevel(button) {
  const index = Number(button.dataset.index);
  const file = Number(fileLevels[index]);
  const level = changes.has(index) ? changes.get(index) : file;
  button.textContent = LETTERS[level];
  button.className = "level level" + level + (changes.has(index) ? " changed" : "");
  if (changes.has(index))
    button.dataset.was = LETTERS[file];
  else
    delete button.dataset.was;
  let description = document.getElementById("describe-" + index);
  if (!description) {
    description = document.createElement("span");
    description.id = "describe-" + index;
    description.hidden = true;
    button.after(description);
    button.setAttribute("aria-describedby", description.id);
  }
  description.textContent = WORDS[level] + (changes.has(index) ? "; changed, the file holds " + WORDS[file] : "");
}

// A level given the focus scrolls clear of the skills' column and the
// classes' row, which stay in view over the levels beneath them.
function keepClearOfHeaders(button) {
  const GAP = 4;
  const cell = button.getBoundingClientRect();
  const classes = document.querySelector("table.grid thead th").getBoundingClientRect();
  const skill = button.closest("tr").querySelector("th").getBoundingClientRect();
  const up = Math.min(0, cell.top - classes.bottom - GAP);
  const left = Math.min(0, cell.left - skill.right - GAP);
  if (up < 0 || left < 0)
    window.scrollBy(left, up);
}

// The grid is one Tab stop: the level that has had the focus last.
function moveFocus(from, to) {
  if (!to)
    return;
  from.tabIndex = -1;
  to.tabIndex = 0;
  to.focus();
}

function levelsOfRow(button) {
  return [...button.closest("tr").querySelectorAll("button.level")];
}

// The control an arrow key leads to from `button`, or null at an edge.
function neighbour(button, key) {
  const row = levelsOfRow(button);
  const at = row.indexOf(button);
  if (key === "ArrowRight")
    return row[at + 1] || null;
  if (key === "ArrowLeft")
    return row[at - 1] || null;
  const rowElement = button.closest("tr");
  const other = key === "ArrowDown" ? rowElement.nextElementSibling : rowElement.previousElementSibling;
  return other ? other.querySelectorAll("button.level")[at] || null : null;
}

function setLevel(button, level) {
  const index = Number(button.dataset.index);
  if (level === Number(fileLevels[index]))
    changes.delete(index);
  else
    changes.set(index, level);
  showLevel(button);
  tellUnsaved();
}

function currentLevel(button) {
  const index = Number(button.dataset.index);
  return changes.has(index) ? changes.get(index) : Number(fileLevels[index]);
}

function showTable(answer) {
  if (answer.name !== undefined) {
    const heading = document.getElementById("heading");
    heading.textContent = "";
    const name = document.createElement("bdi");
    name.innerHTML = answer.name;  // escaped by the server
    heading.append("skilltab: ", name);
    document.title = "skilltab: " + name.textContent;
  }
  if (answer.levels)
    fileLevels = answer.levels;
  if (answer.dropped) {
    for (let i = 0; i < answer.dropped.length; ++i) {
      if (answer.dropped[i] !== ".")
        changes.delete(i);
    }
  }
  for (const [index, level] of [...changes])
    if (level === Number(fileLevels[index]))
      changes.delete(index);
  const grid = document.getElementById("grid");
  if (answer.grid && !grid.firstChild) {
    grid.innerHTML = answer.grid;
    grid.querySelectorAll("button.level").forEach((button, at) => { button.tabIndex = at === 0 ? 0 : -1; });
  }
  for (const button of grid.querySelectorAll("button.level"))
    showLevel(button);
  document.getElementById("status").textContent = answer.status || "";
  tellUnsaved();
}

async function load(again) {
  try {
    const response = await request("GET", "/api/table");
    if (!response.ok) {
      document.getElementById("status").textContent = "The table cannot be read: " + response.status;
      return;
    }
    const answer = await response.json();
    const changedMeanwhile = again && fileLevels !== "" && answer.levels && answer.levels !== fileLevels;
    if (again && !changedMeanwhile)
      return;  // nothing new: the status stays as it was
    if (changedMeanwhile)
      answer.status = "The file changed since it was shown.";
    showTable(answer);
  } catch (error) {
    tellStopped();
  }
}

function changeText() {
  let change = "";
  for (let i = 0; i < fileLevels.length; ++i)
    change += changes.has(i) ? String(changes.get(i)) : ".";
  return change;
}

// A file the server gives, saved through a Blob, since a link cannot carry the token.
async function download(method, path, body) {
  try {
    const response = await request(method, path, body);
    if (!response.ok) {
      document.getElementById("status").textContent = await response.text();
      return;
    }
    const disposition = response.headers.get("Content-Disposition") || "";
    const found = /filename\*=UTF-8''(.*)$/.exec(disposition);
    const link = document.createElement("a");
    link.href = URL.createObjectURL(await response.blob());
    link.download = found ? decodeURIComponent(found[1]) : "skilltab.txt";
    document.body.append(link);
    link.click();
    link.remove();
  } catch (error) {
    tellStopped();
  }
}

// A patch from the user's disk becomes changes on the page, written only by Save.
async function openPatch(file) {
  if (!/\.(txt|csv)$/i.test(file.name)) {
    document.getElementById("status").textContent = file.name + ": a patch is a text (.txt) or a CSV (.csv)";
    return;
  }
  try {
    const response = await fetch("/api/open", {
      method: "POST", body: await file.arrayBuffer(), cache: "no-store",
      headers: { "Authorization": "Bearer " + token, "X-Patch-Name": encodeURIComponent(file.name) },
    });
    const answer = await response.json();
    if (answer.status) {
      document.getElementById("status").textContent = answer.status;
      return;
    }
    for (let i = 0; i < answer.levels.length; ++i) {
      if (answer.levels[i] === ".")
        continue;
      if (Number(answer.levels[i]) === Number(fileLevels[i]))
        changes.delete(i);
      else
        changes.set(i, Number(answer.levels[i]));
    }
    for (const button of document.querySelectorAll("button.level"))
      showLevel(button);
    document.getElementById("status").textContent = "";
    tellUnsaved();
  } catch (error) {
    tellStopped();
  }
}

// Writes `change` (a digit or "." a level) from the levels `shown`: a level
// the file no longer holds as shown is a conflict, and nothing is written.
async function write(change, shown = fileLevels) {
  if (stopped)
    return null;
  try {
    const response = await request("POST", "/api/save", "shown=" + shown + "&change=" + change);
    if (!response.ok) {
      document.getElementById("status").textContent = "The change was refused: " + response.status;
      return null;
    }
    const answer = await response.json();
    showTable(answer);
    return answer;
  } catch (error) {
    tellStopped();
    return null;
  }
}

async function save() {
  const before = fileLevels, change = changeText();
  const answer = await write(change);
  if (!answer || !/^Changed entries: [1-9]/.test(answer.status))
    return;
  // What this save changed, as it was, for Undo last save.
  let undo = "";
  for (let i = 0; i < before.length; ++i)
    undo += change[i] !== "." && answer.levels[i] === change[i] && before[i] !== change[i] ? before[i] : ".";
  lastSave = undo;
  lastSaveLeft = answer.levels;
  document.getElementById("undo").disabled = false;
}

async function undoLastSave() {
  if (lastSave === null)
    return;
  // From the levels the save left, not as the page reads the file now: what
  // another program changed since is named as a conflict, never reverted.
  const answer = await write(lastSave, lastSaveLeft);
  if (answer && !answer.status.includes("Nothing was saved.")) {
    lastSave = null;
    document.getElementById("undo").disabled = true;
  }
}

async function quit() {
  if (changes.size > 0 && !confirm("Quit with " + changes.size + " levels not saved?"))
    return;
  try {
    await request("POST", "/api/quit");
  } catch (error) {
  }
  tellStopped();
}

document.addEventListener("DOMContentLoaded", () => {
  const grid = document.getElementById("grid");
  // A click (Enter, Space) moves a level on; with Shift, back.
  grid.addEventListener("click", (event) => {
    const button = event.target.closest("button.level");
    if (!button)
      return;
    moveFocus(grid.querySelector("button.level[tabindex='0']") || button, button);
    setLevel(button, (currentLevel(button) + (event.shiftKey ? 4 : 1)) % 5);
  });
  grid.addEventListener("focusin", (event) => {
    if (event.target.matches("button.level"))
      keepClearOfHeaders(event.target);
  });
  grid.addEventListener("keydown", (event) => {
    const button = event.target.closest("button.level");
    if (!button || event.ctrlKey || event.altKey || event.metaKey)
      return;
    if (event.key.startsWith("Arrow")) {
      moveFocus(button, neighbour(button, event.key));
      event.preventDefault();
      return;
    }
    if (event.key === "Enter" && event.shiftKey) {
      setLevel(button, (currentLevel(button) + 4) % 5);
      event.preventDefault();
      return;
    }
    // A level typed sets it and goes on to the entry's next level, as the menu's C takes four.
    const key = event.key.toUpperCase();
    let level = LETTERS.indexOf(key);
    if (level < 0 && key.length === 1 && key >= "0" && key <= "4")
      level = Number(key);
    if (level >= 0 && key.length === 1) {
      setLevel(button, level);
      const row = levelsOfRow(button);
      const at = row.indexOf(button);
      if (at % 4 !== 3)
        moveFocus(button, row[at + 1]);
      event.preventDefault();
    }
  });
  document.addEventListener("keydown", (event) => {
    if ((event.ctrlKey || event.metaKey) && event.key.toLowerCase() === "s") {
      event.preventDefault();
      save();
    }
  });
  document.getElementById("save").addEventListener("click", save);
  document.getElementById("quit").addEventListener("click", quit);
  document.getElementById("undo").addEventListener("click", undoLastSave);
  document.getElementById("download-text").addEventListener("click", (event) => {
    event.preventDefault();
    download("GET", "/api/text");
  });
  document.getElementById("download-csv").addEventListener("click", (event) => {
    event.preventDefault();
    download("GET", "/api/csv");
  });
  document.getElementById("download-changes").addEventListener("click", (event) => {
    event.preventDefault();
    download("POST", "/api/changes", "shown=" + fileLevels + "&change=" + changeText());
  });
  const patchFile = document.getElementById("patch-file");
  document.getElementById("open").addEventListener("click", () => patchFile.click());
  patchFile.addEventListener("change", () => {
    if (patchFile.files.length > 0)
      openPatch(patchFile.files[0]);
    patchFile.value = "";
  });
  // Back in view, the page reads the file again and shows what another program changed.
  window.addEventListener("focus", () => { if (!stopped) load(true); });
  document.addEventListener("visibilitychange", () => { if (!stopped && !document.hidden) load(true); });
  document.getElementById("discard").addEventListener("click", () => {
    changes.clear();
    for (const button of grid.querySelectorAll("button.level"))
      showLevel(button);
    tellUnsaved();
  });
  window.addEventListener("beforeunload", (event) => {
    if (changes.size > 0 && !stopped) {
      event.preventDefault();
      event.returnValue = "";
    }
  });
  load();
});
