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
  const byteName = drivers.find((d) => d.name === driver()).byteName;
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

const inLists = (state) => speedBox.querySelector(`option[value="${state.speed}"]`) && tempoBox.querySelector(`option[value="${state.tempo}"]`);

async function openSong(file) {
  const read = core.readSong(new Uint8Array(await file.arrayBuffer()));
  if (read.error) {
    await message("warning", "Open song", `Cannot read ${file.name}:\n${read.error}.`, ["OK"]);
    return;
  }
  songName = file.name;
  updateTitle();
  songStates.replaceChildren(...read.states.map((state, i) => {
    const item = new Option(`speed ${state.speed}, tempo ${state.tempo} \u2014 order ${state.order}, row ${state.row}` +
      (inLists(state) ? "" : " (not in the lists)"), String(i));
    item.disabled = !inLists(state);
    return item;
  }));
  songStates.onchange = () => chooseState(read.states[Number(songStates.value)]);
  $("songStatesLabel").hidden = read.states.length < 2;
  if (inLists(read.states[0])) {
    chooseState(read.states[0]);
  } else {
    await message("warning", "Open song", `The song starts at speed ${read.states[0].speed}, tempo ${read.states[0].tempo}, which the lists do not hold.\n` +
      "beatwright-cli --song answers for every state of the song.", ["OK"]);
  }
}

fill(speedBox, run(1, 31));
fill(tempoBox, run(32, 255));
fill(toleranceBox, [...run(0, 10), ...run(15, 50, 5), ...run(60, 250, 10), ...run(300, 4000, 50), ...run(4500, 10000, 500)]);
toleranceBox.value = "5";
for (const d of drivers) {
  const item = new Option(`${d.name}: ${d.games}`, d.name);
  item.title = `${d.model} model (divider, ${d.byteName}), ${d.palUpdates} updates a second on PAL`;
  driverBox.append(item);
}

for (const control of [speedBox, tempoBox, ntsc, pal]) control.addEventListener("change", clearResults);
driverBox.addEventListener("change", () => {
  clearResults();
  updateTitle();
});
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
