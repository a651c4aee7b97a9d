// The window's behaviour on the page: the same controls, lists, messages and clearing
// rules, with the search and readout from the WebAssembly core.
const core = await globalThis.createBeatwright();
const $ = (id) => document.getElementById(id);
const [speedBox, tempoBox, toleranceBox] = [$("Combo1"), $("Combo2"), $("Combo3")];
const [ntsc, pal] = [$("Option1_0"), $("Option1_1")];
const list = $("List1");
const readoutLabel = $("Label2");
const driverBox = $("driver");
const drivers = core.drivers();
const songStates = $("songStates");
const subsongBox = $("subsong");

// The divider and second byte of each line, kept until the next search.
let dividers = [];
let secondBytes = [];
let songName = "";

function fill(select, values) {
  select.replaceChildren(...values.map((value) => new Option(String(value), String(value))));
}

function run(from, to, step = 1) {
  const values = [];
  for (let value = from; value <= to; value += step) values.push(value);
  return values;
}

// A modal message like the window's: caption, two lines, question or warning; resolves to
// the pressed button's name.
function message(kind, caption, text, buttons) {
  const dialog = $("message");
  dialog.className = kind;
  $("messageCaption").textContent = caption;
  $("messageText").textContent = text;
  const form = dialog.querySelector(".buttons");
  form.replaceChildren(...buttons.map((name) => Object.assign(document.createElement("button"), { value: name, textContent: name })));
  dialog.showModal();
  form.querySelector("button").focus();
  return new Promise((resolve) => dialog.addEventListener("close", () => resolve(dialog.returnValue), { once: true }));
}

const driver = () => driverBox.value;

function clearResults() {
  list.replaceChildren();
  readoutLabel.textContent = "";
  readoutLabel.removeAttribute("title");
}

function selectedLine() {
  return [...list.children].findIndex((line) => line.getAttribute("aria-selected") === "true");
}

function chooseLine(index) {
  const lines = list.children;
  if (index < 0 || index >= lines.length) return;
  for (const line of lines) line.setAttribute("aria-selected", "false");
  lines[index].setAttribute("aria-selected", "true");
  list.setAttribute("aria-activedescendant", lines[index].id);
  lines[index].scrollIntoView({ block: "nearest" });
  const byteName = core.driver(driver()).byteName;
  const tempo = core.readout(driver(), pal.checked, speedBox.value, dividers[index], secondBytes[index]);
  readoutLabel.textContent = tempo;
  readoutLabel.title = `${tempo}: the XM tempo at speed ${speedBox.value} of divider ${dividers[index]} and ${byteName} ${secondBytes[index]}`;
}

function tempocal() {
  clearResults();
  const found = core.search(driver(), pal.checked, speedBox.value, tempoBox.value, toleranceBox.value);
  dividers = found.dividers;
  secondBytes = found.bytes;
  list.replaceChildren(...found.lines.map((text, i) => {
    const line = document.createElement("div");
    Object.assign(line, { id: `line${i}`, textContent: text });
    line.setAttribute("role", "option");
    line.setAttribute("aria-selected", "false");
    return line;
  }));
  if (found.lines.length === 0) {
    return message("warning", "Uh-oh!", "No results found with these criteria.\nTry to increase the tolerance to get more results.", ["OK"]);
  }
}

async function go() {
  if (parseFloat(toleranceBox.value) >= 100) {
    const answer = await message("question", "I have a question for you",
      "This operation may require a very long time.\nProceed anyway?", ["Yes", "No"]);
    if (answer !== "Yes") return;
  }
  await tempocal();
}

function updateTitle() {
  const parts = [songName, driver() === "sonic1" ? "" : driver(), "Beatwright"].filter(Boolean);
  document.title = parts.join(" \u2014 ");
}

function chooseState(state) {
  speedBox.value = String(state.speed);
  tempoBox.value = String(state.tempo);
  clearResults();
}

// Rows that take turns have no one speed the lists could hold.
const inLists = (state) => !state.turns && speedBox.querySelector(`option[value="${state.speed}"]`) && tempoBox.querySelector(`option[value="${state.tempo}"]`);

// The whole song's plan beside the form: the states as a timeline, an entry a bar as wide
// as its time, coloured by how far the recommended plan is from the tolerance there.
// An SMPS song shows its report there instead, ported to the chosen driver on request.
let song = null;
let plan = null;
let smps = null;

function showReport() {
  const isSmps = smps !== null;
  for (const id of ["timeline", "legend"]) $(id).hidden = isSmps;
  $("portSmps").hidden = !isSmps;
  if (isSmps) {
    plan = core.smpsReport(smps.name, driver(), pal.checked, speedBox.value, smps.ported, toleranceBox.value);
    $("planCaption").textContent = `SMPS song \u2014 ${smps.name}`;
    $("planText").textContent = plan.error ?? plan.text;
    $("portSmps").textContent = `Port to ${driver()}`;
    $("portSmps").disabled = smps.ported;
    $("copyPlanSource").disabled = !smps.ported;
    $("savePorted").hidden = false;
    $("savePorted").disabled = plan.ported === undefined;
    $("plan").hidden = false;
    return;
  }
  for (const id of ["dacMap", "convertFormLabel", "saveConverted"]) $(id).hidden = isSmps || !song?.converts;
  if (!song) return;
  $("savePorted").hidden = true;
  $("planCaption").textContent = "Tempo plan";
  $("copyPlanSource").disabled = false;
  plan = core.plan(driver(), pal.checked, toleranceBox.value);
  showForms(plan.forms);
  const tolerance = Number(toleranceBox.value);
  const totalRows = song.states.reduce((sum, s) => sum + s.rows, 0);
  const bars = song.entries.map((entry, i) => {
    const state = song.states[entry.state];
    const rows = (song.entries[i + 1]?.rowsBefore ?? totalRows) - entry.rowsBefore;
    const off = Math.abs(plan.deviations[entry.state]);
    const bar = document.createElement("div");
    bar.className = off <= tolerance / 2 ? "good" : off <= tolerance ? "near" : "far";
    // Short stretches are too narrow for a label: the state stands in the tooltip.
    bar.title = `${state.name}: ${rows} row${rows === 1 ? "" : "s"}, ${plan.deviations[entry.state].toFixed(3)}%`;
    return { bar, time: rows * state.rowSeconds };
  });
  const total = bars.reduce((sum, b) => sum + b.time, 0);
  for (const b of bars) b.bar.style.width = `${(100 * b.time) / total}%`;
  $("timeline").replaceChildren(...bars.map((b) => b.bar));
  $("timeline").setAttribute("aria-label", `The song's ${bars.length} stretches of speed and tempo, in play order`);
  $("planText").textContent = plan.text;
  $("plan").hidden = false;
}

// A Furnace song's sub-songs are chosen beside its states; the file is read again for each.
async function openSong(file, subsong = 0) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  const read = core.readSong(bytes, subsong);
  $("subsongLabel").hidden = !(read.subsongs > 1);
  if (read.subsongs > 1) {
    subsongBox.replaceChildren(...read.subsongLabels.map((label, i) => new Option(label, String(i + 1))));
    subsongBox.value = String(subsong + 1);
    subsongBox.onchange = () => openSong(file, Number(subsongBox.value) - 1);
  }
  if (read.smps) {
    // The SMPS song takes the module's place: its states go with it.
    smps = { name: file.name, ported: false };
    song = null;
    $("songStatesLabel").hidden = true;
    songName = file.name;
    updateTitle();
    showReport();
    return;
  }
  if (read.error) {
    await message("warning", "Open song", `Cannot read ${file.name}:\n${read.error}.`, ["OK"]);
    return;
  }
  song = read;
  song.name = file.name;
  smps = null;
  showReport();
  songName = read.subsongs > 1 ? `${file.name}, sub-song ${subsong + 1}` : file.name;
  updateTitle();
  if (read.warning) await message("warning", "Open song", `${file.name}:\n${read.warning}.`, ["OK"]);
  songStates.replaceChildren(...read.states.map((state, i) => {
    const item = new Option(`${state.name} \u2014 order ${state.order}, row ${state.row}` +
      (state.slides ? ", the tempo slides" : "") +
      (inLists(state) ? "" : " (not in the lists)"), String(i));
    item.disabled = !inLists(state);
    return item;
  }));
  songStates.onchange = () => chooseState(read.states[Number(songStates.value)]);
  $("songStatesLabel").hidden = read.states.length < 2;
  if (inLists(read.states[0])) {
    chooseState(read.states[0]);
  } else {
    await message("warning", "Open song", `The song starts at ${read.states[0].name}, which the lists do not hold.\n` +
      "beatwright-cli --song answers for every state of the song.", ["OK"]);
  }
}

fill(speedBox, run(1, 31));
fill(tempoBox, run(32, 255));
fill(toleranceBox, [...run(0, 10), ...run(15, 50, 5), ...run(60, 250, 10), ...run(300, 4000, 50), ...run(4500, 10000, 500)]);
toleranceBox.value = "5";
function driverOption(d) {
  const item = new Option(`${d.name}: ${d.games}`, d.name);
  item.title = `${d.model} model (divider, ${d.byteName}), ${d.palUpdates} updates a second on PAL`;
  return item;
}
driverBox.append(...drivers.map(driverOption), new Option("Other\u2026", "other"));

// A driver by its parts, asked for as MODEL@RATE: it takes the list's place before "Other…".
let lastDriver = drivers[0].name;
async function chooseOther() {
  const answer = prompt("A tempo model and its PAL updates a second, as MODEL@RATE (carry-delay@60, timeout@175/3):",
    lastDriver.includes("@") ? lastDriver : "carry-delay@60");
  const chosen = answer === null ? null : core.driver(answer.trim());
  if (answer !== null && !chosen) {
    await message("warning", "Other driver", "A driver by its parts is timeout, carry-advance or carry-delay, @, and its PAL " +
      "updates a second from 1 to 300, whole or a fraction such as 175/3.", ["OK"]);
  }
  if (chosen) addDriver(chosen);
  driverBox.value = chosen ? chosen.name : lastDriver;
}

function addDriver(d) {
  driverBox.querySelector("option.parts")?.remove();
  const item = driverOption(d);
  item.className = "parts";
  driverBox.insertBefore(item, driverBox.lastElementChild);
}

for (const control of [speedBox, tempoBox, ntsc, pal]) control.addEventListener("change", clearResults);
for (const control of [toleranceBox, ntsc, pal]) control.addEventListener("change", showReport);
// The plan does not depend on the speed; an SMPS report's XM tempos do.
speedBox.addEventListener("change", () => smps && showReport());
driverBox.addEventListener("change", async () => {
  if (driver() === "other") await chooseOther();
  lastDriver = driver();
  localStorage.setItem("driver", driver());
  clearResults();
  updateTitle();
  if (smps) smps.ported = false;
  showReport();
});
$("portSmps").addEventListener("click", () => {
  smps.ported = true;
  showReport();
});
$("copyPlan").addEventListener("click", () => navigator.clipboard.writeText(plan.text));
// A file named after the song and the driver: "song-sonic1.asm".
const savedName = (name, extension) => name.replace(/(\.[^.]*)?$/, (found) => `-${driver().replace(/[@/]/g, "-")}${extension ?? found}`);
$("savePorted").addEventListener("click", () => download(plan.ported, savedName(smps.name)));
$("copyPlanSource").addEventListener("click", () => navigator.clipboard.writeText(plan.smps2asm));

function download(text, name) {
  const link = Object.assign(document.createElement("a"), { href: URL.createObjectURL(new Blob([text], { type: "text/plain" })), download: name });
  link.click();
  URL.revokeObjectURL(link.href);
}

// The whole song as SMPS2ASM source in the recommended form, with the DAC map chosen last;
// what was done and what the song leaves out, told after.
let dacMap = { name: "", text: "" };
$("dacMap").addEventListener("click", () => $("dacMapFile").click());
$("dacMapFile").addEventListener("change", async (event) => {
  const [file] = event.target.files;
  if (file) dacMap = { name: file.name, text: await file.text() };
  $("dacMap").textContent = file ? `DAC map: ${file.name}` : "DAC map…";
  event.target.value = "";
});
// The plan's forms to convert in: the recommended first, the one chosen kept while offered.
function showForms(forms) {
  const box = $("convertForm");
  const chosen = box.value;
  box.replaceChildren(...[...forms.filter((f) => f.recommended), ...forms.filter((f) => !f.recommended)].map((form) =>
    Object.assign(document.createElement("option"), {
      value: form.recommended ? "" : form.name,
      textContent: form.recommended ? `Recommended: ${form.title}` : form.title,
      disabled: form.notOffered !== undefined,
      title: form.notOffered ? `Not offered: ${form.notOffered}` : "",
    })));
  box.value = [...box.options].some((o) => o.value === chosen && !o.disabled) ? chosen : "";
}
$("saveConverted").addEventListener("click", async () => {
  const converted = core.convert(song.name, driver(), pal.checked, toleranceBox.value, dacMap.text, $("convertForm").value);
  if (converted.error) return message("warning", "Convert to SMPS song", `Cannot convert ${song.name}:\n${converted.error}.`, ["OK"]);
  const name = savedName(song.name, ".asm");
  download(converted.text, name);
  await message("information", "Convert to SMPS song", `${name}: ${converted.summary.trim()}`, ["OK"]);
});
// The driver chosen last time, if the list still has it.
const savedDriver = core.driver(localStorage.getItem("driver") ?? "");
if (savedDriver && !drivers.some((d) => d.name === savedDriver.name)) addDriver(savedDriver);
if (savedDriver) driverBox.value = lastDriver = savedDriver.name;
updateTitle();
$("Command2").addEventListener("click", go);
list.addEventListener("click", (event) => {
  const line = event.target.closest("[role=option]");
  if (line) chooseLine([...list.children].indexOf(line));
});
list.addEventListener("keydown", (event) => {
  const last = list.children.length - 1;
  const at = selectedLine();
  const page = Math.max(1, Math.floor(list.clientHeight / (list.firstElementChild?.offsetHeight || 16)) - 1);
  const to = { ArrowDown: at + 1, ArrowUp: at === -1 ? 0 : at - 1, Home: 0, End: last, PageDown: Math.min(last, at + page), PageUp: Math.max(0, at - page) }[event.key];
  if (to === undefined || last < 0) return;
  event.preventDefault();
  chooseLine(Math.min(last, Math.max(0, to)));
});
// Ctrl+C on the list copies the chosen line.
document.addEventListener("copy", (event) => {
  const at = selectedLine();
  if (document.activeElement !== list || at === -1) return;
  event.clipboardData.setData("text/plain", list.children[at].textContent);
  event.preventDefault();
});
// The window's context menus: copy a line as shown or as SMPS2ASM source, copy the readout
// whole. Opened by the mouse, the context-menu key or Shift+F10; arrows move, Escape closes.
const contextMenu = $("contextMenu");
let menuReturn = null;

function closeMenu() {
  if (contextMenu.hidden) return;
  contextMenu.hidden = true;
  menuReturn?.focus();
}

function openMenu(owner, items, x, y) {
  menuReturn = owner;
  contextMenu.replaceChildren(...items.map(([label, text]) => {
    const item = Object.assign(document.createElement("button"), { type: "button", textContent: label });
    item.setAttribute("role", "menuitem");
    item.addEventListener("click", () => {
      closeMenu();
      navigator.clipboard.writeText(text);
    });
    return item;
  }));
  contextMenu.hidden = false;
  const { width, height } = contextMenu.getBoundingClientRect();
  contextMenu.style.left = `${Math.min(x, innerWidth - width)}px`;
  contextMenu.style.top = `${Math.min(y, innerHeight - height)}px`;
  contextMenu.firstElementChild.focus();
}

contextMenu.addEventListener("keydown", (event) => {
  const items = [...contextMenu.children];
  const at = items.indexOf(document.activeElement);
  const to = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: items.length - 1 }[event.key];
  if (event.key === "Escape" || event.key === "Tab") closeMenu();
  if (to === undefined) return;
  event.preventDefault();
  items[(to + items.length) % items.length].focus();
});
document.addEventListener("pointerdown", (event) => {
  if (!contextMenu.contains(event.target)) closeMenu();
});

function lineMenuItems() {
  const at = selectedLine();
  if (at === -1) return null;
  return [["Copy", list.children[at].textContent], ["Copy as SMPS2ASM", core.smps2asm(dividers[at], secondBytes[at])]];
}

const readoutMenuItems = () => (readoutLabel.textContent ? [["Copy", readoutLabel.textContent]] : null);

// A menu where the pointer is, or for the keyboard below the chosen line or the label.
function addContextMenu(owner, items, anchor) {
  const show = (x, y) => {
    const chosen = items();
    if (chosen) openMenu(owner, chosen, x, y);
  };
  owner.addEventListener("contextmenu", (event) => {
    event.preventDefault();
    const line = event.target.closest?.("[role=option]");
    if (line) chooseLine([...list.children].indexOf(line));
    if (event.button === 2) return show(event.clientX, event.clientY);
    const box = anchor().getBoundingClientRect();
    show(box.left, box.bottom);
  });
  owner.addEventListener("keydown", (event) => {
    if (event.key !== "ContextMenu" && !(event.key === "F10" && event.shiftKey)) return;
    event.preventDefault();
    const box = anchor().getBoundingClientRect();
    show(box.left, box.bottom);
  });
}
addContextMenu(list, lineMenuItems, () => list.children[selectedLine()] ?? list);
addContextMenu(readoutLabel, readoutMenuItems, () => readoutLabel);

$("openSong").addEventListener("click", () => $("songFile").click());
$("songFile").addEventListener("change", (event) => {
  if (event.target.files.length) openSong(event.target.files[0]);
  event.target.value = "";
});
document.addEventListener("dragover", (event) => event.preventDefault());
document.addEventListener("drop", (event) => {
  event.preventDefault();
  if (event.dataTransfer.files.length) openSong(event.dataTransfer.files[0]);
});
$("Command1").focus();
document.body.dataset.ready = "true";

if ("serviceWorker" in navigator && location.protocol !== "file:") navigator.serviceWorker.register("sw.js");
