package fl.transitions.easing
{
	/**
	 * Easing like a ball bouncing: on the way out of the start (easeIn),
	 * onto the target (easeOut), or both (easeInOut).
	 */
	public class Bounce
	{
		public static function easeOut(t:Number, b:Number, c:Number, d:Number):Number
		{
			// Four falls, each a parabola a quarter as high as the one before.
			const k:Number = 7.5625;
			var f:Number = t / d;
			if (f < 1 / 2.75)
				return c * (k * f * f) + b;
			if (f < 2 / 2.75) {
				f -= 1.5 / 2.75;
				return c * (k * f * f + 0.75) + b;
			}
			if (f < 2.5 / 2.75) {
				f -= 2.25 / 2.75;
				return c * (k * f * f + 0.9375) + b;
			}
			f -= 2.625 / 2.75;
			return c * (k * f * f + 0.984375) + b;
		}

		public static function easeIn(t:Number, b:Number, c:Number, d:Number):Number
		{
			return c - easeOut(d - t, 0, c, d) + b;
		}

		public static function easeInOut(t:Number, b:Number, c:Number, d:Number):Number
		{
			if (t < d / 2)
				return easeIn(t * 2, 0, c, d) * 0.5 + b;
			return easeOut(t * 2 - d, 0, c, d) * 0.5 + c * 0.5 + b;
		}
	}
}
