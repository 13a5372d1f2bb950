package fl.transitions
{
	import flash.display.Shape;
	import flash.events.Event;
	import flash.events.EventDispatcher;
	import flash.events.TimerEvent;
	import flash.utils.Timer;
	import flash.utils.getTimer;

	[Event(name="motionStart", type="fl.transitions.TweenEvent")]
	[Event(name="motionStop", type="fl.transitions.TweenEvent")]
	[Event(name="motionResume", type="fl.transitions.TweenEvent")]
	[Event(name="motionChange", type="fl.transitions.TweenEvent")]
	[Event(name="motionFinish", type="fl.transitions.TweenEvent")]
	[Event(name="motionLoop", type="fl.transitions.TweenEvent")]

	/**
	 * Moves one numeric property of an object from a start value to a
	 * finish value over a duration, in frames or (useSeconds) in seconds,
	 * along an easing function such as fl.transitions.easing.Regular.easeOut.
	 *
	 *     new Tween(ball, "x", Regular.easeOut, 0, 300, 2, true);
	 *
	 * A tween starts playing as soon as it is made. It stays alive while it
	 * plays even when the program keeps no reference to it.
	 */
	public class Tween extends EventDispatcher
	{
		// Every frame comes from one shape, not on the stage: enterFrame
		// reaches it all the same.
		private static var s_ticker:Shape;
		// The tweens driven by frames, in the order they started. Holding
		// them here also keeps a playing tween from being collected.
		private static var s_playing:Vector.<Tween> = new Vector.<Tween>();

		/** The object whose property moves. */
		public var obj:Object;
		/** The name of the property that moves. */
		public var prop:String;
		/** Whether the tween starts again from the beginning when it ends. */
		public var looping:Boolean = false;

		private var m_func:Function;
		private var m_begin:Number;
		private var m_change:Number;
		private var m_duration:Number;
		private var m_useSeconds:Boolean;
		private var m_time:Number = 0;
		private var m_position:Number;
		private var m_playing:Boolean = false;
		// getTimer() at the tween's time 0 (useSeconds only).
		private var m_startMillis:int = 0;
		private var m_fps:Number = NaN;
		private var m_timer:Timer;

		public function Tween(obj:Object, prop:String, func:Function, begin:Number, finish:Number,
				duration:Number, useSeconds:Boolean = false)
		{
			this.obj = obj;
			this.prop = prop;
			this.func = func;
			m_begin = begin;
			m_change = finish - begin;
			this.duration = duration;
			m_useSeconds = useSeconds;
			m_position = begin;
			start();
		}

		/** The easing function: f(time, begin, change, duration). */
		public function get func():Function
		{
			return m_func;
		}

		public function set func(value:Function):void
		{
			m_func = value != null ? value : linear;
		}

		/** The property's value at time 0. */
		public function get begin():Number
		{
			return m_begin;
		}

		public function set begin(value:Number):void
		{
			const target:Number = finish;
			m_begin = value;
			m_change = target - value;
		}

		/** The property's value at the end of the duration. */
		public function get finish():Number
		{
			return m_begin + m_change;
		}

		public function set finish(value:Number):void
		{
			m_change = value - m_begin;
		}

		/** finish - begin. */
		public function get change():Number
		{
			return m_change;
		}

		public function set change(value:Number):void
		{
			m_change = value;
		}

		/** The length of the tween, in frames or seconds. */
		public function get duration():Number
		{
			return m_duration;
		}

		public function set duration(value:Number):void
		{
			// No duration (or a nonsense one) is a jump to the finish.
			m_duration = value > 0 ? value : 0;
		}

		public function get useSeconds():Boolean
		{
			return m_useSeconds;
		}

		public function set useSeconds(value:Boolean):void
		{
			m_useSeconds = value;
			restartClock();
		}

		/** True from start() or resume() until stop() or the finish. */
		public function get isPlaying():Boolean
		{
			return m_playing;
		}

		/**
		 * Frames per second of the tween's own clock; NaN (the default)
		 * follows the movie's frame rate.
		 */
		public function get FPS():Number
		{
			return m_fps;
		}

		public function set FPS(value:Number):void
		{
			const wasPlaying:Boolean = m_playing;
			if (wasPlaying)
				detach();
			m_fps = value > 0 ? value : NaN;
			if (wasPlaying)
				attach();
		}

		/** Where the tween is within its duration, in frames or seconds. */
		public function get time():Number
		{
			return m_time;
		}

		public function set time(value:Number):void
		{
			moveTo(value);
		}

		/** The property's current value as the tween set it. */
		public function get position():Number
		{
			return m_position;
		}

		public function set position(value:Number):void
		{
			m_position = value;
			obj[prop] = value;
			dispatch(TweenEvent.MOTION_CHANGE);
		}

		/** Plays the tween from its beginning. */
		public function start():void
		{
			setTime(0);
			play();
			dispatch(TweenEvent.MOTION_START);
		}

		/** Stops the tween where it is; resume() goes on from there. */
		public function stop():void
		{
			halt();
			dispatch(TweenEvent.MOTION_STOP);
		}

		/** Goes on playing from where stop() left it. */
		public function resume():void
		{
			restartClock();
			play();
			dispatch(TweenEvent.MOTION_RESUME);
		}

		/**
		 * Goes back to the given time (default: the beginning). A playing
		 * tween goes on playing from there; a stopped one stays stopped.
		 */
		public function rewind(t:Number = 0):void
		{
			setTime(t > 0 ? t : 0);
		}

		/** Jumps to the finish; the tween ends there, looping or not. */
		public function fforward():void
		{
			end();
		}

		/** Steps one frame forward (or, with useSeconds, to the clock's time). */
		public function nextFrame():void
		{
			moveTo(m_useSeconds ? (getTimer() - m_startMillis) / 1000 : m_time + 1);
		}

		/** Steps one frame back; does nothing with useSeconds. */
		public function prevFrame():void
		{
			if (!m_useSeconds)
				moveTo(m_time - 1);
		}

		/**
		 * Plays from the current value to a new finish over a new duration
		 * (NaN keeps the duration).
		 */
		public function continueTo(finish:Number, duration:Number):void
		{
			m_begin = m_position;
			m_change = finish - m_begin;
			if (!isNaN(duration))
				this.duration = duration;
			start();
		}

		/**
		 * Plays the tween backwards, from its finish to its beginning; one
		 * that has not finished yet jumps to its finish first.
		 */
		public function yoyo():void
		{
			const target:Number = m_begin;
			m_begin = finish;
			m_change = target - m_begin;
			start();
		}

		// Sets the time and the property without the end's bookkeeping.
		private function setTime(t:Number):void
		{
			m_time = t;
			restartClock();
			update();
		}

		// Sets the time as a step of the tween: past the end it finishes or,
		// when looping, starts the next round.
		private function moveTo(t:Number):void
		{
			if (t < 0)
				t = 0;
			if (t < m_duration || (looping && t == m_duration && m_duration > 0)) {
				setTime(t);
				return;
			}
			if (looping && m_duration > 0) {
				setTime(t % m_duration);
				dispatch(TweenEvent.MOTION_LOOP);
				return;
			}
			end();
		}

		private function end():void
		{
			m_time = m_duration;
			update();
			halt();
			// Listeners may start the tween again (yoyo, continueTo): it has
			// stopped before they hear of the finish.
			dispatch(TweenEvent.MOTION_FINISH);
		}

		private function update():void
		{
			position = m_time < m_duration ?
					Number(m_func(m_time, m_begin, m_change, m_duration)) : finish;
		}

		private function restartClock():void
		{
			m_startMillis = getTimer() - int(m_time * 1000);
		}

		private function play():void
		{
			if (!m_playing) {
				m_playing = true;
				attach();
			}
		}

		private function halt():void
		{
			if (m_playing) {
				m_playing = false;
				detach();
			}
		}

		private function attach():void
		{
			if (!isNaN(m_fps)) {
				m_timer = new Timer(1000 / m_fps);
				m_timer.addEventListener(TimerEvent.TIMER, onTimer);
				m_timer.start();
				// The timer's listener holds the tween only through the timer.
				s_playing.push(this);
				return;
			}
			if (s_ticker == null) {
				s_ticker = new Shape();
				s_ticker.addEventListener(Event.ENTER_FRAME, onEnterFrame);
			}
			s_playing.push(this);
		}

		private function detach():void
		{
			if (m_timer != null) {
				m_timer.stop();
				m_timer.removeEventListener(TimerEvent.TIMER, onTimer);
				m_timer = null;
			}
			const at:int = s_playing.indexOf(this);
			if (at >= 0)
				s_playing.splice(at, 1);
		}

		private function onTimer(event:TimerEvent):void
		{
			nextFrame();
			event.updateAfterEvent();
		}

		private static function onEnterFrame(event:Event):void
		{
			// A copy: tweens stop, start and finish while being stepped.
			for each (var tween:Tween in s_playing.concat()) {
				if (tween.m_playing && isNaN(tween.m_fps))
					tween.nextFrame();
			}
		}

		private function dispatch(type:String):void
		{
			dispatchEvent(new TweenEvent(type, m_time, m_position));
		}

		private static function linear(t:Number, b:Number, c:Number, d:Number):Number
		{
			return c * t / d + b;
		}
	}
}
