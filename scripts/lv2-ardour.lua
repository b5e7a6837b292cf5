-- Ardour 7, headless (ardour7-lua, the Dummy backend): a C major triad recorded from the
-- virtual keyboard's port into a MIDI region on the track "Keys"; then that region played
-- through Moltrin on the same track, what Moltrin sends recorded on the track "Arp"; then the
-- same with a factory preset applied, before and after the session is saved and loaded again.
-- Prints the notes of each region, one a line:
-- "keys|arp|preset|reloaded PITCH VELOCITY START-SAMPLE END-SAMPLE".
-- The session goes into $MOLTRIN_SESSION/moltrin; LV2_PATH must name the bundle's folder.
local rate = 48000
local ticks_per_beat = 1920
local samples_per_beat = rate / 2  -- 120 quarter notes a minute, the new session's tempo

AudioEngine:set_backend("None (Dummy)", "", "")
assert(create_session(os.getenv("MOLTRIN_SESSION") .. "/moltrin", "moltrin", rate), "no session")
local midi = ARDOUR.DataType("midi")

local function track(name)
  local list = Session:new_midi_track(ARDOUR.ChanCount(midi, 1), ARDOUR.ChanCount(midi, 1), true,
    ARDOUR.PluginInfo(), nil, nil, 1, name, ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
  local t = list:front()
  t:input():disconnect_all(nil)
  return t
end

local function wait_rolling(want)
  for _ = 1, 200 do
    if Session:transport_rolling() == want then return end
    ARDOUR.LuaAPI.usleep(20000)
  end
  error("the transport did not " .. (want and "start" or "stop"))
end

-- Records on `t` from the session's start for `seconds`, running `during` once rolling.
local function take(t, seconds, during)
  t:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
  ARDOUR.LuaAPI.usleep(300000)
  Session:maybe_enable_record(false)
  Session:request_locate(0, false, ARDOUR.LocateTransportDisposition.MustStop, ARDOUR.TransportRequestSource.TRS_UI)
  ARDOUR.LuaAPI.usleep(300000)
  Session:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
  wait_rolling(true)
  if during then during() end
  ARDOUR.LuaAPI.usleep(math.floor(seconds * 1e6))
  Session:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
  wait_rolling(false)
  ARDOUR.LuaAPI.usleep(1000000)  -- the capture written
  t:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
  Session:disable_record(false, false)
  ARDOUR.LuaAPI.usleep(300000)
end

-- A note's time ("BEATS:TICKS" from the region's start) in samples of the session.
local function samples(region_start, beats)
  local b, t = tostring(beats):match("^(%d+):(%d+)$")
  return region_start + (tonumber(b) * ticks_per_beat + tonumber(t)) * samples_per_beat / ticks_per_beat
end

local function print_notes(label, t)
  local regions = 0
  for r in t:playlist():region_list():iter() do
    regions = regions + 1
    local start = r:position():samples()
    for n in ARDOUR.LuaAPI.note_list(r:to_midiregion():model()):iter() do
      local on = samples(start, n:time())
      print(string.format("%s %d %d %.0f %.0f", label, n:note(), n:velocity(), on, on + samples(0, n:length())))
    end
  end
  if regions == 0 then print(label .. " no region") end
end

-- The keys: held for a second and a half, from a fifth of a second after the start.
local keys = track("Keys")
local keyboard
local _, ports = Session:engine():get_ports(midi, ARDOUR.PortList())
for p in ports[2]:iter() do
  if p:name() == "x-virtual-keyboard" then keyboard = p:to_asyncmidiport() end
end
assert(keyboard, "no virtual keyboard port")
keys:input():connect(keys:input():nth(0), keyboard:name(), nil)
local parser = ARDOUR.RawMidiParser()
local function send(...)
  for _, b in ipairs({...}) do
    if parser:process_byte(b) then keyboard:write(parser:midi_buffer(), parser:buffer_size(), 0) end
  end
end
take(keys, 0.3, function()
  ARDOUR.LuaAPI.usleep(200000)
  send(0x90, 60, 100, 0x90, 64, 100, 0x90, 67, 100)
  ARDOUR.LuaAPI.usleep(1500000)
  send(0x80, 60, 0, 0x80, 64, 0, 0x80, 67, 0)
end)
print_notes("keys", keys)

-- The region through Moltrin (a fresh instance: the factory bank's first program), what it
-- sends recorded on a track of its own.
keys:input():disconnect_all(nil)
local moltrin = ARDOUR.LuaAPI.new_plugin(Session, "urn:moltrin:arpeggiator", ARDOUR.PluginType.LV2, "")
assert(not moltrin:isnil(), "Ardour did not find urn:moltrin:arpeggiator")
keys:add_processor_by_index(moltrin, 0, nil, true)
local function record_arp(name, label)
  local out = track(name)
  out:input():connect(out:input():nth(0), Session:route_by_name("Keys"):output():nth(0):name(), nil)
  take(out, 3.0, nil)
  print_notes(label, out)
end
record_arp("Arp", "arp")

-- A factory preset applied (it fills the current program, step rows and all), the session saved,
-- closed and loaded again: Moltrin plays what it played before the session closed.
local plugin = moltrin:to_insert():plugin(0)
local preset = plugin:preset_by_label("Alberti Bass")
assert(preset, "no preset Alberti Bass")
assert(plugin:load_preset(preset), "the preset was not applied")
ARDOUR.LuaAPI.usleep(300000)
record_arp("Preset", "preset")
Session:save_state("", false, false, false, false, false)
close_session()
assert(load_session(os.getenv("MOLTRIN_SESSION") .. "/moltrin", "moltrin"), "the session did not load again")
record_arp("Reloaded", "reloaded")
Session:save_state("", false, false, false, false, false)
close_session()
